#include "report/DowntimePeriod.h"

#include <algorithm>

QList<DowntimePeriod> DowntimePeriod::build(const QList<const DomainMeasurement*>& assessed,
                                            int interval_seconds)
{
    const double interval = std::max(double(interval_seconds), 20.0);
    const double gap_limit = std::max(2.5 * interval, interval + 30.0);
    const auto seconds_between = [](const DomainMeasurement* earlier,
                                    const DomainMeasurement* later) {
        return double(earlier->measured_at.msecsTo(later->measured_at)) / 1000.0;
    };

    QList<DowntimePeriod> periods;
    const DomainMeasurement* first = nullptr;
    const DomainMeasurement* latest = nullptr;
    for (const DomainMeasurement* m : assessed) {
        if (m->is_failed()) {
            if (first != nullptr && seconds_between(latest, m) > gap_limit) {
                periods.append({*first, std::nullopt});
                first = nullptr;
            }
            if (first == nullptr)
                first = m;
            latest = m;
        } else if (first != nullptr) {
            std::optional<double> duration;
            if (seconds_between(latest, m) <= gap_limit)
                duration = seconds_between(first, m);
            periods.append({*first, duration});
            first = nullptr;
            latest = nullptr;
        }
    }
    if (first != nullptr)
        periods.append({*first, std::nullopt});
    return periods;
}
