#pragma once

#include "MeasurementFactory.h"
#include "model/MonitoredDomain.h"

#include <QDateTime>
#include <QUuid>

// A domain record as the store's files hold it.
inline MonitoredDomain sample_domain(const QString& url, int interval_seconds = 60)
{
    MonitoredDomain d;
    d.id = QUuid::createUuid();
    d.url_string = url;
    d.interval_seconds = interval_seconds;
    return d;
}

// A successful measurement taken at `at`.
inline DomainMeasurement sample_measurement(const QDateTime& at, double total_time = 0.2)
{
    DomainMeasurement m = successful(total_time);
    m.measured_at = at;
    return m;
}
