#include "DomainTally.h"

#include <algorithm>

void DomainTally::add(const DomainMeasurement& measurement)
{
    ++measurement_count;
    newest_id = measurement.id;
    newest_measured_at = measurement.measured_at;
    if (measurement.certificate_expires_at.isValid())
        certificate_expires_at = measurement.certificate_expires_at;
    if (measurement.is_local_network_issue) {
        ++local_network_issue_count;
        return;
    }
    const bool failed = measurement.is_failed();
    if (failed)
        ++failure_count;
    last_assessed_successful = !failed;
    // Buckets are "less than or equal": the first bound not below the time.
    const auto bound =
        std::lower_bound(bucket_bounds.begin(), bucket_bounds.end(), measurement.total_time);
    ++bucket_counts[std::size_t(bound - bucket_bounds.begin())];
    total_time_sum += measurement.total_time;
}
