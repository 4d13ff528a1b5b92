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

// FNV-1a: stable across runs and Qt versions, unlike qHash.
quint64 stable_hash(const QByteArray& bytes)
{
    quint64 hash = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        hash ^= quint8(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

qint64 positive_modulo(qint64 value, qint64 divisor)
{
    const qint64 rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

qint64 base_interval_seconds(const MonitoredDomain& domain)
{
    return DomainSettings::bounded_interval(domain.interval_seconds);
}

// The history keeps whole seconds: a time read back may lie up to this much
// before the one measured.
constexpr qint64 whole_second_ms = 1000;

} // namespace

qint64 spread_window_ms(qint64 interval_seconds)
{
    const qint64 interval_ms =
        std::max<qint64>(interval_seconds, DomainSettings::minimum_interval_seconds) * 1000;
    const qint64 windows =
        std::max<qint64>(10, (interval_ms + spread_ceiling_ms - 1) / spread_ceiling_ms);
    return interval_ms / windows;
}

qint64 spread_slot_ms(const QUuid& domain_id, qint64 window_ms)
{
    return qint64(stable_hash(domain_id.toRfc4122()) % quint64(window_ms));
}

qint64 spread_tolerance_ms(qint64 window_ms)
{
    return std::min<qint64>(window_ms / 4, 500);
}

qint64 slot_at_or_after(const MonitoredDomain& domain, qint64 due_ms)
{
    const qint64 window = spread_window_ms(base_interval_seconds(domain));
    const qint64 from = due_ms - spread_tolerance_ms(window);
    return from + positive_modulo(spread_slot_ms(domain.id, window) - from, window);
}

qint64 required_interval(const MonitoredDomain& domain)
{
    const qint64 base = base_interval_seconds(domain);
    const int streak = failure_streak(domain);
    if (streak == 0)
        return base;
    const qint64 backoff =
        std::min(backoff_base_seconds << (std::min(streak, backoff_streak_cap) - 1),
                 backoff_ceiling_seconds);
    return std::max(backoff, base);
}

qint64 planned_start(const MonitoredDomain& domain, qint64 due_ms)
{
    const qint64 slot = slot_at_or_after(domain, due_ms);
    if (slot <= due_ms)
        return slot;
    // A time read back from the file has lost its milliseconds: a slot up to a
    // second on is still its own, and else the domain's place in the second
    // stands in for them, or the domains measured in one second would all
    // start at one instant.
    if (due_ms % whole_second_ms == 0)
        return slot < due_ms + whole_second_ms
                   ? slot
                   : due_ms + spread_slot_ms(domain.id, whole_second_ms);
    return due_ms;
}

qint64 delay_before_next_measurement(const MonitoredDomain& domain, const QDateTime& now)
{
    const qint64 now_ms = now.toMSecsSinceEpoch();
    qint64 start_ms = slot_at_or_after(domain, now_ms);
    if (!domain.measurements.isEmpty()) {
        const qint64 due_ms = domain.measurements.first().measured_at.toMSecsSinceEpoch() +
                              required_interval(domain) * 1000;
        const qint64 window = spread_window_ms(base_interval_seconds(domain));
        const qint64 planned_ms = planned_start(domain, due_ms);
        // Long past due (a restart, a network that came back): with the others
        // that fell due meanwhile, in the next slot.
        if (planned_ms >= now_ms - spread_tolerance_ms(window))
            start_ms = planned_ms;
    }
    return std::max<qint64>(start_ms - now_ms, 0);
}

std::optional<QDateTime> next_measurement_date(const MonitoredDomain& domain, const QDateTime& now)
{
    if (!domain.is_active)
        return std::nullopt;
    if (domain.measurements.isEmpty())
        return now;
    const qint64 due_ms = domain.measurements.first().measured_at.toMSecsSinceEpoch() +
                          required_interval(domain) * 1000;
    return QDateTime::fromMSecsSinceEpoch(planned_start(domain, due_ms), Qt::UTC);
}

} // namespace MonitoringSchedule
