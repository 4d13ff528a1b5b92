#include "store/MonitoringSchedule.h"

#include <algorithm>

namespace MonitoringSchedule {

namespace {

// Consecutive failures from the newest measurement on; a success or a local
// network issue ends the streak.
int failure_streak(const MonitoredDomain& domain)
{
    int streak = 0;
    for (const DomainMeasurement& m : domain.measurements) {
        if (m.is_successful() || m.is_local_network_issue)
            break;
        ++streak;
    }
    return streak;
}

} // namespace

qint64 required_interval(const MonitoredDomain& domain)
{
    const qint64 base =
        std::max(domain.interval_seconds, MonitoredDomain::minimum_interval_seconds);
    const int streak = failure_streak(domain);
    if (streak == 0)
        return base;
    const qint64 backoff =
        std::min(backoff_base_seconds << (std::min(streak, backoff_streak_cap) - 1),
                 backoff_ceiling_seconds);
    return std::max(backoff, base);
}

qint64 delay_before_next_measurement(const MonitoredDomain& domain, const QDateTime& now)
{
    if (domain.measurements.isEmpty())
        return 0;
    const qint64 elapsed_ms =
        now.toMSecsSinceEpoch() - domain.measurements.first().measured_at.toMSecsSinceEpoch();
    return std::max<qint64>(required_interval(domain) * 1000 - elapsed_ms, 0);
}

std::optional<QDateTime> next_measurement_date(const MonitoredDomain& domain, const QDateTime& now)
{
    if (!domain.is_active)
        return std::nullopt;
    if (domain.measurements.isEmpty())
        return now;
    return domain.measurements.first().measured_at.addSecs(required_interval(domain));
}

} // namespace MonitoringSchedule
