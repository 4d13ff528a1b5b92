#pragma once

#include "model/DomainMeasurement.h"

#include <QList>

#include <optional>

// A run of failed requests: from its first failure to the success that ended it.
struct DowntimePeriod {
    DomainMeasurement first_failure;
    // Seconds from the first failure to the first success after it; absent when no
    // success followed within the gap limit (the data ended, or a long silence).
    std::optional<double> duration;

    // `assessed` are the measurements that are not local network issues, oldest
    // first. Failures closer together than the gap limit, max(2.5 x interval,
    // interval + 30 s) with the interval at least 20 s, belong to one period.
    // The periods come out oldest first.
    static QList<DowntimePeriod> build(const QList<const DomainMeasurement*>& assessed,
                                       int interval_seconds);

    bool operator==(const DowntimePeriod&) const = default;
};
