#include "report/HeartbeatStrip.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t colour_count = std::size_t(ReportColor::primary) + 1;

} // namespace

HeartbeatStrip HeartbeatStrip::layout(const MonitoredDomain& domain,
                                      const QList<const DomainMeasurement*>& sorted,
                                      const QRectF& box)
{
    HeartbeatStrip strip;
    strip.box = box;
    if (sorted.isEmpty())
        return strip;
    const qint64 start = sorted.first()->measured_at.toMSecsSinceEpoch();
    const double span =
        std::max(double(sorted.last()->measured_at.toMSecsSinceEpoch() - start), 1000.0);
    const auto x_of = [&](const DomainMeasurement* m) {
        const double fraction =
            std::clamp(double(m->measured_at.toMSecsSinceEpoch() - start) / span, 0.0, 1.0);
        return box.left() + box.width() * fraction;
    };

    // Stretches follow each other without gaps. Narrow ones are gathered until
    // the gathering is `finest_width` wide; it takes the colour that covers most of it.
    double gathered_left = 0.0;
    double gathered_right = 0.0;
    std::array<double, colour_count> shares{};
    const auto add = [&strip](double left, double right, ReportColor color) {
        if (!strip.segments.isEmpty() && strip.segments.last().color == color)
            strip.segments.last().right = right;
        else
            strip.segments.append({left, right, color});
    };
    const auto add_gathered = [&] {
        const auto widest = std::max_element(shares.cbegin(), shares.cend());
        add(gathered_left, gathered_right, ReportColor(widest - shares.cbegin()));
        shares.fill(0.0);
        gathered_right = gathered_left;
    };
    for (qsizetype i = 0; i + 1 < sorted.size(); ++i) {
        const double left = x_of(sorted[i]);
        const double right = std::max(x_of(sorted[i + 1]), left);
        if (right <= left)
            continue;
        const ReportColor color = level_color(domain, *sorted[i]).value_or(ReportColor::primary);
        if (gathered_right <= gathered_left) {
            if (right - left >= finest_width) {
                add(left, right, color);
                continue;
            }
            gathered_left = left;
        }
        gathered_right = right;
        shares[std::size_t(color)] += right - left;
        if (gathered_right - gathered_left >= finest_width)
            add_gathered();
    }
    if (gathered_right > gathered_left)
        add_gathered();
    // The newest measurement ends the strip: it covers no time.
    return strip;
}

std::optional<ReportColor> HeartbeatStrip::level_color(const MonitoredDomain& domain,
                                                       const DomainMeasurement& measurement)
{
    const DomainStatistics& statistics = domain.statistics;
    if (measurement.is_failed())
        return ReportColor::red;
    if (measurement.is_local_network_issue)
        return ReportColor::orange;
    if (statistics.outage_measurement_ids.contains(measurement.id))
        return ReportColor::red;
    if (statistics.disturbance_measurement_ids.contains(measurement.id))
        return ReportColor::orange;
    if (statistics.delay_measurement_ids.contains(measurement.id))
        return ReportColor::yellow;
    return std::nullopt;
}
