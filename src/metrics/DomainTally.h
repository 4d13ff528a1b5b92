#pragma once

#include "model/DomainMeasurement.h"

#include <QDateTime>
#include <QUuid>

#include <array>
#include <optional>

// What the metrics need from a domain's whole history, kept up to date one
// measurement at a time so a scrape never walks the histories.
struct DomainTally {
    // Upper bounds of the total-time histogram in seconds; +Inf follows.
    static constexpr std::array<double, 9> bucket_bounds{0.05, 0.1, 0.25, 0.5, 1.0,
                                                         2.5,  5.0, 10.0, 15.0};

    qint64 measurement_count = 0;
    qint64 failure_count = 0;
    qint64 local_network_issue_count = 0;
    // Total times of every measurement that is not a local network issue, per
    // bucket (not cumulative; the last one is +Inf), with their sum.
    std::array<qint64, bucket_bounds.size() + 1> bucket_counts{};
    double total_time_sum = 0.0;
    // Whether the newest measurement that is not a local network issue succeeded.
    std::optional<bool> last_assessed_successful;
    // From the newest measurement that carried one.
    QDateTime certificate_expires_at;
    // The newest measurement taken in, to tell new measurements from a history
    // that was replaced.
    QUuid newest_id;
    QDateTime newest_measured_at;

    // Takes in `measurement`, which is newer than every one taken in so far.
    void add(const DomainMeasurement& measurement);
};
