#pragma once

#include "model/DomainMeasurement.h"

#include <QDateTime>
#include <QUuid>

#include <optional>

// A run of consecutive disturbed or failed measurements and the time it took
// until the domain was healthy again.
struct DomainDisturbancePeriod {
    // The id of the run's first measurement, so a period keeps its identity
    // across recomputations while that measurement stays first.
    QUuid id;
    QDateTime started_at;
    // Seconds until recovery; absent while ongoing or when a gap hides the recovery.
    std::optional<double> duration;
    // The run's first failed measurement, otherwise its slowest (earliest on a tie).
    DomainMeasurement measurement;
    bool contains_failure = false;

    bool operator==(const DomainDisturbancePeriod&) const = default;
};

size_t qHash(const DomainDisturbancePeriod& period, size_t seed = 0);
