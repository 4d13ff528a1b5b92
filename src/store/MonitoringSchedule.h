#pragma once

#include "model/MonitoredDomain.h"

#include <QDateTime>
#include <QUuid>

#include <optional>

// When a domain is due, derived from its history alone: its interval counted
// from its newest measurement, lengthened by a doubling back-off while the
// domain keeps failing. No due time is stored, so a restart resumes each domain
// from the age of its newest measurement.
//
// Domains due at the same instant (after a restart, or added together) would
// otherwise stay in lockstep for good and time each other's load. So a
// measurement long past due waits for its domain's slot: time is divided into
// windows of at most a tenth of the domain's interval (and at most 10 s),
// counted from the epoch, and each domain has a fixed place in every window,
// derived from its id. The window divides the interval, so a domain measured in
// its slot finds its next slot exactly one interval later, in memory and after a
// restart alike.
//
// A measurement that started a little late (by up to the tolerance) keeps its
// domain's slot next time: a gap that much shorter than the interval. One that
// started later (the engine had a thousand others to start first) has its next
// one a full interval after it: waiting for its next slot would make the gap up
// to a window longer, and bring it back among the others that came late with it.
namespace MonitoringSchedule {

inline constexpr qint64 backoff_base_seconds = 60;
inline constexpr int backoff_streak_cap = 5;
inline constexpr qint64 backoff_ceiling_seconds = 900;
inline constexpr qint64 retry_pause_ms = 5'000;

inline constexpr qint64 spread_ceiling_ms = 10'000;

// Seconds between the newest measurement and the next one.
qint64 required_interval(const MonitoredDomain& domain);

// The length of the windows over which due measurements spread: a whole
// fraction of the interval (at least 2 s for the shortest interval).
qint64 spread_window_ms(qint64 interval_seconds);
// The domain's place in each window, in [0, window).
qint64 spread_slot_ms(const QUuid& domain_id, qint64 window_ms);
// How late a measurement may have started and keep its domain's slot (a
// quarter of the window, at most half a second); a domain whose measurement
// fell due longer ago than this waits for its slot with the others.
qint64 spread_tolerance_ms(qint64 window_ms);
// The first slot of the domain at or after `due_ms` less the tolerance.
qint64 slot_at_or_after(const MonitoredDomain& domain, qint64 due_ms);
// When a measurement due at `due_ms` starts: in the domain's slot when that
// lies up to the tolerance before the due time, else at the due time (for a
// time read back from the file, in the slot or its place within the second).
qint64 planned_start(const MonitoredDomain& domain, qint64 due_ms);

// Milliseconds until the domain's measurement starts at `now`: its planned
// start, or its first slot from `now` on when it has no history or its planned
// start lies more than the tolerance in the past.
qint64 delay_before_next_measurement(const MonitoredDomain& domain, const QDateTime& now);

// For the views' countdown: none for an inactive domain, `now` without history,
// else the planned start (in the past while waiting for the network).
std::optional<QDateTime> next_measurement_date(const MonitoredDomain& domain, const QDateTime& now);

} // namespace MonitoringSchedule
