#include "ui/detail/TotalTimeChartData.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "model/MeasurementThresholds.h"
#include "ui/AppColors.h"

#include <algorithm>

namespace TotalTimeChartData {

namespace {

// True when `candidate` should replace `current` as its run's representative.
bool is_worse(const Point& candidate, const Point& current)
{
    if (candidate.level != current.level)
        return candidate.level > current.level;
    return candidate.total_time > current.total_time;
}

} // namespace

QList<Point> chart_points(const MonitoredDomain& domain, const QList<DomainMeasurement>& window)
{
    QList<Point> usable;
    usable.reserve(window.size());
    for (const DomainMeasurement& m : window) {
        if (m.is_local_network_issue)
            continue;
        usable.append(
            {m.measured_at.toMSecsSinceEpoch(), m.total_time, domain.measurement_level(m)});
    }
    if (usable.size() > maximum_points) {
        const qsizetype run = (usable.size() + maximum_points - 1) / maximum_points;
        QList<Point> kept;
        kept.reserve(usable.size() / run + 1);
        for (qsizetype start = 0; start < usable.size(); start += run) {
            const qsizetype end = std::min(start + run, usable.size());
            qsizetype best = start;
            for (qsizetype i = start + 1; i < end; ++i) {
                if (is_worse(usable[i], usable[best]))
                    best = i;
            }
            kept.append(usable[best]);
        }
        usable = std::move(kept);
    }
    std::reverse(usable.begin(), usable.end());
    return usable;
}

double chart_maximum_total_time(const QList<Point>& points)
{
    constexpr double floor = 8.8;
    if (points.isEmpty())
        return floor;
    double largest = points.first().total_time;
    for (const Point& p : points)
        largest = std::max(largest, p.total_time);
    const double v = 1.1 * largest;
    if (v >= 0.25 && v > floor)
        return std::min(v, 10.0);
    return floor;
}

QString ThresholdLine::annotation() const
{
    return label + QStringLiteral(": ") + MeasurementFormatter::duration(y);
}

QList<ThresholdLine> threshold_lines(std::optional<double> average_total_time)
{
    const MeasurementThresholds::Lines heights = MeasurementThresholds::lines(average_total_time);
    QList<ThresholdLine> lines;
    lines.append({QStringLiteral("Delay threshold"), heights.delay, AppColors::yellow(), 3, 4,
                  L10n::text(u"Delay", u"Vertraging")});
    // Without an average there is nothing yet to be five times slower than.
    if (average_total_time && heights.disturbance)
        lines.append({QStringLiteral("Disturbance threshold"), *heights.disturbance,
                      AppColors::orange(), 5, 4, L10n::text(u"Disturbance", u"Verstoring")});
    lines.append({QStringLiteral("Outage threshold"), heights.outage, AppColors::red(), 7, 4,
                  L10n::text(u"Outage", u"Storing")});
    return lines;
}

} // namespace TotalTimeChartData
