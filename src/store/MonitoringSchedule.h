#pragma once

#include "model/MonitoredDomain.h"

#include <QDateTime>

#include <optional>

// When a domain is due, derived from its history alone: its interval counted
// from its newest measurement, lengthened by a doubling back-off while the
// domain keeps failing. No due time is stored, so a restart resumes each domain
// from the age of its newest measurement.
namespace MonitoringSchedule {

inline constexpr qint64 backoff_base_seconds = 60;
inline constexpr int backoff_streak_cap = 5;
inline constexpr qint64 backoff_ceiling_seconds = 900;
inline constexpr qint64 retry_pause_ms = 5'000;

// Seconds between the newest measurement and the next one.
qint64 required_interval(const MonitoredDomain& domain);

// Milliseconds until the domain is due at `now`; 0 when it is due (or has no history).
qint64 delay_before_next_measurement(const MonitoredDomain& domain, const QDateTime& now);

// For the views' countdown: none for an inactive domain, `now` without history.
std::optional<QDateTime> next_measurement_date(const MonitoredDomain& domain, const QDateTime& now);

} // namespace MonitoringSchedule
