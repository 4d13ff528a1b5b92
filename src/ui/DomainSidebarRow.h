#pragma once

#include "model/MonitoredDomain.h"

#include <QColor>
#include <QDateTime>
#include <QString>

// What one sidebar row shows, as values: the delegate paints these, tests read them.
namespace DomainSidebarRow {

// The status dot: secondary when inactive; orange without a measurement or when
// the latest was a local network issue; red when the latest failed; otherwise
// the colour of the latest measurement's level.
QColor status_color(const MonitoredDomain& domain);

// "-" without measurements; otherwise how long since the oldest stored
// measurement, as "< 1 hour", "5 hours", "2 days".
QString monitoring_duration(const MonitoredDomain& domain, const QDateTime& at);

// "120 ms · avg 98 ms · 12 calls · 0 disturbances", preceded by "Measuring..."
// while a measurement is in flight; "Waiting" or "Inactive" without measurements.
QString detail_text(const MonitoredDomain& domain, bool is_running);

// What a screen reader says for the row: "www.example.com, online, 172 ms,
// average 181 ms, 0 disturbances, pinned".
QString accessible_name(const MonitoredDomain& domain, bool is_running);

} // namespace DomainSidebarRow
