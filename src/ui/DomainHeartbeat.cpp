#include "ui/DomainHeartbeat.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "ui/AppColors.h"
#include "ui/HistorySummary.h"

#include <algorithm>

namespace {

constexpr double failure_marker_width = 5.0;
constexpr double disturbance_marker_width = 3.0;

} // namespace

QColor DomainHeartbeat::measurement_color(const MonitoredDomain& domain,
                                          const DomainMeasurement& measurement)
{
    if (measurement.is_local_network_issue)
        return AppColors::orange();
    if (measurement.is_failed())
        return AppColors::red();
    const DomainStatistics& statistics = domain.statistics;
    if (statistics.outage_measurement_ids.contains(measurement.id))
        return AppColors::red();
    if (statistics.disturbance_measurement_ids.contains(measurement.id))
        return AppColors::orange();
    if (statistics.delay_measurement_ids.contains(measurement.id))
        return AppColors::yellow();
    return AppColors::primary();
}

DomainHeartbeat::Strip DomainHeartbeat::strip(const MonitoredDomain& domain, const QDateTime& now,
                                              double width)
{
    Strip result;
    const qint64 window_ms = qint64(domain.max_history_hours) * 3600 * 1000;
    if (window_ms <= 0 || width <= 0.0)
        return result;
    const qint64 now_ms = now.toMSecsSinceEpoch();
    const qint64 start_ms = now_ms - window_ms;

    // Newest first: skip the future, collect the window, stop at the anchor.
    QList<const DomainMeasurement*> elements;
    const DomainMeasurement* anchor = nullptr;
    for (const DomainMeasurement& measurement : domain.measurements) {
        const qint64 at = measurement.measured_at.toMSecsSinceEpoch();
        if (at > now_ms)
            continue;
        if (at > start_ms) {
            elements.append(&measurement);
            continue;
        }
        anchor = &measurement;
        break;
    }
    std::reverse(elements.begin(), elements.end());
    if (anchor != nullptr)
        elements.prepend(anchor);
    if (elements.isEmpty())
        return result;

    const auto x_of = [&](const DomainMeasurement& measurement) {
        const double offset = double(measurement.measured_at.toMSecsSinceEpoch() - start_ms);
        return width * offset / double(window_ms);
    };

    double x_prev = 0.0;
    const DomainMeasurement* prev = elements.constFirst();
    for (const DomainMeasurement* measurement : std::as_const(elements)) {
        if (measurement->measured_at.toMSecsSinceEpoch() > start_ms) {
            const double x = std::clamp(x_of(*measurement), 0.0, width);
            result.segments.append(
                {x_prev, std::max(x - x_prev, 0.0), measurement_color(domain, *prev)});
            x_prev = x;
        }
        prev = measurement;
    }
    result.segments.append(
        {x_prev, std::max(width - x_prev, 0.0), measurement_color(domain, *elements.constLast())});

    const DomainStatistics& statistics = domain.statistics;
    for (const DomainMeasurement* measurement : std::as_const(elements)) {
        if (measurement->measured_at.toMSecsSinceEpoch() < start_ms)
            continue;
        const bool disturbed = statistics.disturbance_measurement_ids.contains(measurement->id);
        double marker_width = 0.0;
        QColor color = measurement_color(domain, *measurement);
        if (measurement->is_local_network_issue) {
            if (!disturbed)
                continue;
            marker_width = disturbance_marker_width;
            color = AppColors::orange();
        } else if (measurement->is_failed()) {
            marker_width = failure_marker_width;
        } else if (disturbed) {
            marker_width = disturbance_marker_width;
        } else {
            continue;
        }
        const double left = std::clamp(x_of(*measurement) - marker_width / 2.0, 0.0,
                                       std::max(width - marker_width, 0.0));
        result.markers.append({left, marker_width, color});
    }
    return result;
}

QString DomainHeartbeat::tooltip(int max_history_hours)
{
    const QString hours = QString::number(max_history_hours);
    if (max_history_hours < 24) {
        if (L10n::uses_dutch())
            return QStringLiteral("Heartbeat: afgelopen ") + hours + QStringLiteral(" uur");
        return QStringLiteral("Heartbeat: last ") + hours +
               (max_history_hours == 1 ? QStringLiteral(" hour") : QStringLiteral(" hours"));
    }
    const bool whole_days = max_history_hours % 24 == 0;
    const QString days =
        MeasurementFormatter::number(whole_days ? "%.0f" : "%.1f", max_history_hours / 24.0);
    // Exactly one day reads "1 day", not "1 days".
    const bool one_day = max_history_hours == 24;
    return L10n::text(u"Heartbeat: last ", u"Heartbeat: afgelopen ") + hours +
           L10n::text(u" hours (", u" uur (") + days +
           (one_day ? L10n::text(u" day)", u" dag)") : L10n::text(u" days)", u" dagen)"));
}

QString DomainHeartbeat::description(const MonitoredDomain& domain, const QDateTime& now)
{
    return tooltip(domain.max_history_hours) + QStringLiteral(": ") +
           HistorySummary::text(domain, domain.measurements_within_lookback(now));
}
