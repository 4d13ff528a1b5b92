#include "report/TotalTimeChart.h"

#include "model/MeasurementThresholds.h"
#include "report/HeartbeatStrip.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

namespace {

// The cell of a dot: dots of one colour in one cell are drawn once.
std::pair<qint64, qint64> dot_cell_of(QPointF centre)
{
    return {qint64(std::floor(centre.x() / TotalTimeChart::dot_cell)),
            qint64(std::floor(centre.y() / TotalTimeChart::dot_cell))};
}

// Keeps, of the points of one column, the first, lowest, highest and last, and
// the first point with a dot of each colour and dot cell, in their own order.
void append_column(QList<TotalTimeChart::Point>& kept, const QList<TotalTimeChart::Point>& column)
{
    if (column.size() <= 4) {
        kept.append(column);
        return;
    }
    qsizetype lowest = 0;
    qsizetype highest = 0;
    for (qsizetype i = 1; i < column.size(); ++i) {
        // Lower values sit lower on the page: a larger y.
        if (column[i].position.y() > column[lowest].position.y())
            lowest = i;
        if (column[i].position.y() < column[highest].position.y())
            highest = i;
    }
    const qsizetype last = column.size() - 1;
    std::set<std::tuple<ReportColor, qint64, qint64>> dotted;
    for (qsizetype i = 0; i < column.size(); ++i) {
        bool new_dot = false;
        if (const std::optional<ReportColor> dot = column[i].dot) {
            const auto [x, y] = dot_cell_of(column[i].position);
            const auto key = std::tuple(*dot, x, y);
            new_dot = dotted.insert(key).second;
        }
        if (i == 0 || i == lowest || i == highest || i == last || new_dot)
            kept.append(column[i]);
    }
}

// The dots of the kept points, one per colour and cell, graver colours last.
QList<TotalTimeChart::Dot> dots_of(const QList<TotalTimeChart::Point>& points)
{
    QList<TotalTimeChart::Dot> dots;
    for (const ReportColor color : {ReportColor::yellow, ReportColor::orange, ReportColor::red}) {
        QSet<std::pair<qint64, qint64>> taken;
        for (const TotalTimeChart::Point& point : points) {
            if (point.dot != color)
                continue;
            const std::pair<qint64, qint64> cell = dot_cell_of(point.position);
            if (!taken.contains(cell)) {
                taken.insert(cell);
                dots.append({point.position, color});
            }
        }
    }
    return dots;
}

} // namespace

double TotalTimeChart::top_value_for(std::optional<double> largest_successful_total_time)
{
    if (largest_successful_total_time && *largest_successful_total_time >= 0.25 &&
        *largest_successful_total_time > 8.8)
        return std::min(*largest_successful_total_time, 10.0);
    return 8.8;
}

double TotalTimeChart::y_of(double seconds) const
{
    const double clamped = std::clamp(seconds, 0.0, top_value);
    return box.bottom() - box.height() * clamped / top_value;
}

TotalTimeChart TotalTimeChart::layout(const MonitoredDomain& domain,
                                      const QList<const DomainMeasurement*>& assessed,
                                      const QRectF& box)
{
    TotalTimeChart chart;
    chart.box = box;
    std::optional<double> largest;
    for (const DomainMeasurement* m : assessed) {
        if (m->is_successful() && (!largest || m->total_time > *largest))
            largest = m->total_time;
    }
    chart.has_successful = largest.has_value();
    if (!chart.has_successful)
        return chart;
    chart.top_value = top_value_for(largest);

    const qint64 first = assessed.first()->measured_at.toMSecsSinceEpoch();
    const double span =
        std::max(double(assessed.last()->measured_at.toMSecsSinceEpoch() - first), 1000.0);
    QList<Point> column;
    qint64 column_index = 0;
    for (const DomainMeasurement* m : assessed) {
        const double x =
            box.left() + box.width() * double(m->measured_at.toMSecsSinceEpoch() - first) / span;
        const Point point{QPointF(x, chart.y_of(m->total_time)), m->is_failed(),
                          HeartbeatStrip::level_color(domain, *m)};
        const auto index = qint64(std::floor((x - box.left()) / column_width));
        if (!column.isEmpty() && index != column_index) {
            append_column(chart.points, column);
            column.clear();
        }
        column_index = index;
        column.append(point);
    }
    append_column(chart.points, column);
    chart.dots = dots_of(chart.points);

    const MeasurementThresholds::Lines lines =
        MeasurementThresholds::lines(domain.statistics.average_total_time);
    chart.thresholds.append({lines.delay, ReportColor::yellow, {3.0, 3.0}});
    if (lines.disturbance)
        chart.thresholds.append({*lines.disturbance, ReportColor::orange, {4.0, 3.0}});
    chart.thresholds.append(
        {std::min(chart.top_value, lines.outage), ReportColor::red, {6.0, 3.0}});
    return chart;
}
