#pragma once

#include "model/MonitoredDomain.h"
#include "report/ReportColor.h"

#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

// The report's chart of the total request time: where its curve, dots and
// dashed threshold lines go inside its box, as values.
struct TotalTimeChart {
    static constexpr double height = 118.0;
    // Points closer together than this horizontally are thinned out (see layout).
    static constexpr double column_width = 0.25;
    static constexpr double dot_diameter = 5.0;
    static constexpr double dot_cell = 1.0;

    struct Point {
        QPointF position;
        bool failed = false;
        // Set for failures, outages, disturbances and delays; normal points have no dot.
        std::optional<ReportColor> dot;
        bool operator==(const Point&) const = default;
    };

    // A filled circle on a point: failures, outages, disturbances and delays.
    struct Dot {
        QPointF centre;
        ReportColor color = ReportColor::red;
        bool operator==(const Dot&) const = default;
    };

    struct Threshold {
        double value = 0.0;
        ReportColor color = ReportColor::red;
        // On/off lengths in points.
        QList<double> dash;
        bool operator==(const Threshold&) const = default;
    };

    QRectF box;
    // The value at the top edge, in seconds.
    double top_value = 8.8;
    // False when no measurement succeeded: the chart shows a note instead.
    bool has_successful = false;
    // Oldest first. Of the points that share one 0.25-point column only the first,
    // the lowest, the highest and the last are kept, plus a point with a dot where
    // it is the first of its colour in its dot cell: nothing visible changes, and
    // however long the history, the chart has a bounded number of points.
    QList<Point> points;
    // Yellow, then orange, then red, so the graver ones lie on top. Of the dots of
    // one colour whose centres share a square of `dot_cell` points only the first
    // is kept: the others would thicken it by a hair, and a year of scattered
    // failures would otherwise draw thousands of dots on one spot.
    QList<Dot> dots;
    QList<Threshold> thresholds;

    // `assessed` are the domain's measurements that are not local network issues,
    // oldest first.
    static TotalTimeChart layout(const MonitoredDomain& domain,
                                 const QList<const DomainMeasurement*>& assessed,
                                 const QRectF& box);

    // 8.8 s, or the largest successful total time up to 10 s when that is larger.
    static double top_value_for(std::optional<double> largest_successful_total_time);

    // The vertical position of `seconds` in the box; values above the top sit on the top edge.
    double y_of(double seconds) const;

    bool operator==(const TotalTimeChart&) const = default;
};
