#pragma once

#include "model/MonitoredDomain.h"

#include <QDateTime>
#include <QList>

#include <optional>

// The classes of one domain's measurements that its report section uses, and the
// values derived from them. Holds pointers into the domain's own list, so the
// domain must outlive it and stay unchanged.
struct ReportMeasurements {
    // Every measurement, oldest first.
    QList<const DomainMeasurement*> sorted;
    // The sorted ones that are not local network issues: failed or successful.
    QList<const DomainMeasurement*> assessed;
    QList<const DomainMeasurement*> failed;
    QList<const DomainMeasurement*> successful;
    // The smallest total time of a successful measurement.
    std::optional<double> fastest;
    // Percentage of the assessed measurements that succeeded; absent when none was assessed.
    std::optional<double> uptime;
    std::optional<QDateTime> first;
    std::optional<QDateTime> last;

    static ReportMeasurements of(const MonitoredDomain& domain);
};
