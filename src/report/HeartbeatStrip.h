#pragma once

#include "model/MonitoredDomain.h"
#include "report/ReportColor.h"

#include <QList>
#include <QRectF>

#include <optional>

// The report's heartbeat: a thin strip across the content width on which every
// measurement covers the time until the next one, in the colour of its level.
struct HeartbeatStrip {
    static constexpr double height = 9.0;
    // Neighbouring stretches narrower than this (a fraction of the finest printed
    // dot) are drawn as one, in the colour that covers most of it. A single
    // measurement of a year's history is that narrow: thousands of such slivers
    // would show no more and cost more than the rest of the page.
    static constexpr double finest_width = 0.02;

    // A horizontal stretch of the strip in one colour.
    struct Segment {
        double left = 0.0;
        double right = 0.0;
        ReportColor color = ReportColor::primary;
        bool operator==(const Segment&) const = default;
    };

    QRectF box;
    // Left to right, without empty stretches; neighbours of one colour are joined
    // into one segment, which draws the same picture with far fewer shapes. Only
    // the last segment may be narrower than `finest_width`.
    QList<Segment> segments;

    // `sorted` is every measurement of `domain`, oldest first.
    static HeartbeatStrip layout(const MonitoredDomain& domain,
                                 const QList<const DomainMeasurement*>& sorted, const QRectF& box);

    // The colour of a measurement's level: red for failures and outages, orange for
    // local network issues and disturbances, yellow for delays; none when normal.
    static std::optional<ReportColor> level_color(const MonitoredDomain& domain,
                                                  const DomainMeasurement& measurement);

    bool operator==(const HeartbeatStrip&) const = default;
};
