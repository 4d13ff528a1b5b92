#pragma once

#include "model/DomainDisturbancePeriod.h"

#include <QList>
#include <QSet>
#include <QUuid>

#include <optional>

// Everything derived from a domain's whole history; recomputed, never stored.
struct DomainStatistics {
    // Trimmed P15-P85 mean of the total times, in seconds.
    std::optional<double> average_total_time;
    QSet<QUuid> delay_measurement_ids;
    // Disturbed measurements, outages included.
    QSet<QUuid> disturbance_measurement_ids;
    // A subset of the disturbance ids.
    QSet<QUuid> outage_measurement_ids;
    // Oldest first.
    QList<DomainDisturbancePeriod> disturbance_periods;
    std::optional<double> longest_disturbance_duration;
    std::optional<double> highest_total_time;
    qint64 failure_count = 0;

    // No average, no sets, no periods, no longest or highest time, no failures.
    static DomainStatistics empty() { return {}; }

    bool operator==(const DomainStatistics&) const = default;
};

size_t qHash(const DomainStatistics& statistics, size_t seed = 0);
