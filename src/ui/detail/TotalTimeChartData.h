#pragma once

#include "model/MonitoredDomain.h"

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

// What the total-time chart draws, computed apart from any painting.
namespace TotalTimeChartData {

// Most points the chart draws; longer windows are thinned to this.
inline constexpr qsizetype maximum_points = 600;

struct Point {
    qint64 measured_at_ms = 0;
    double total_time = 0.0;
    DomainMeasurementLevel level = DomainMeasurementLevel::normal;

    bool operator==(const Point&) const = default;
};

// The chart's measurements from `window` (newest first, as stored), local-network
// issues left out. Above 600 the list is cut into runs of ceil(count / 600) and
// each run keeps its worst measurement (highest level, then highest total time,
// then the first of the run). Returned oldest first, as the chart draws them.
QList<Point> chart_points(const MonitoredDomain& domain, const QList<DomainMeasurement>& window);

// The top of the vertical scale: 8.8 s, raised up to 10 s when 1.1 times the
// largest total time is above 8.8 s.
double chart_maximum_total_time(const QList<Point>& points);

struct ThresholdLine {
    QString series_name;
    double y = 0.0;
    QColor color;
    qreal dash_on = 0;
    qreal dash_off = 0;
    QString label;

    // The text drawn above the line: label + ": " + the formatted duration.
    QString annotation() const;
    bool operator==(const ThresholdLine&) const = default;
};

// The lines of MeasurementThresholds::lines; no disturbance line without an average.
QList<ThresholdLine> threshold_lines(std::optional<double> average_total_time);

} // namespace TotalTimeChartData
