#include "report/ReportMeasurements.h"

#include <algorithm>

ReportMeasurements ReportMeasurements::of(const MonitoredDomain& domain)
{
    ReportMeasurements result;
    result.sorted.reserve(domain.measurements.size());
    // Newest first: walking backwards gives the order wanted, and only a history
    // out of order (an edited file) needs the sort.
    for (auto it = domain.measurements.crbegin(); it != domain.measurements.crend(); ++it)
        result.sorted.append(&*it);
    const auto earlier = [](const DomainMeasurement* a, const DomainMeasurement* b) {
        return a->measured_at < b->measured_at;
    };
    if (!std::is_sorted(result.sorted.cbegin(), result.sorted.cend(), earlier))
        std::stable_sort(result.sorted.begin(), result.sorted.end(), earlier);
    result.assessed.reserve(result.sorted.size());
    for (const DomainMeasurement* m : std::as_const(result.sorted)) {
        if (m->is_local_network_issue)
            continue;
        result.assessed.append(m);
        if (m->is_failed()) {
            result.failed.append(m);
        } else {
            result.successful.append(m);
            if (!result.fastest || m->total_time < *result.fastest)
                result.fastest = m->total_time;
        }
    }
    if (!result.assessed.isEmpty())
        result.uptime = 100.0 * double(result.successful.size()) / double(result.assessed.size());
    if (!result.sorted.isEmpty()) {
        result.first = result.sorted.first()->measured_at;
        result.last = result.sorted.last()->measured_at;
    }
    return result;
}
