#pragma once

#include "model/MonitoredDomain.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QString>

// The heartbeat strip of a sidebar row: the domain's state over its lookback
// window, as coloured stretches of time with markers on failures and
// disturbances. Computed as values; the delegate only paints them.
namespace DomainHeartbeat {

struct Segment {
    double x = 0.0;
    double width = 0.0;
    QColor color;
    bool operator==(const Segment&) const = default;
};

struct Strip {
    QList<Segment> segments;
    // Drawn over the segments, full height.
    QList<Segment> markers;
    bool operator==(const Strip&) const = default;
};

// The colour of one measurement in the strip: orange for a local network issue,
// red for a failure or an outage, orange for a disturbance, yellow for a delay,
// the accent colour otherwise.
QColor measurement_color(const MonitoredDomain& domain, const DomainMeasurement& measurement);

// The strip for a strip `width` wide at `now`. Walks only the measurements inside
// the window (newest first) and the first one at or before its start (the anchor),
// whatever the history's length.
Strip strip(const MonitoredDomain& domain, const QDateTime& now, double width);

// "Heartbeat: last 48 hours (2 days)" / "Heartbeat: afgelopen 48 uur (2 dagen)".
QString tooltip(int max_history_hours);

// The strip told in words for a screen reader: the tooltip, then what the
// lookback window at `now` holds ("Heartbeat: last 1 hour: 60 measurements over
// < 1 hour, highest 240 ms, 0 outages, 0 disturbances").
QString description(const MonitoredDomain& domain, const QDateTime& now);

} // namespace DomainHeartbeat
