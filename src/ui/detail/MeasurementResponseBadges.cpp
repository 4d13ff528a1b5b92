#include "ui/detail/MeasurementResponseBadges.h"

#include "ui/AppColors.h"

QList<MeasurementResponseBadgeItem> response_badge_items(const DomainMeasurement& measurement)
{
    QList<MeasurementResponseBadgeItem> items;
    if (measurement.http_status) {
        const int status = *measurement.http_status;
        items.append({QStringLiteral("http"), QStringLiteral("HTTP ") + QString::number(status),
                      status < 200 || status >= 400, false});
    }
    // QMap iterates by name.
    for (auto it = measurement.response_x_headers.cbegin();
         it != measurement.response_x_headers.cend(); ++it)
        items.append({QStringLiteral("header-") + it.key(),
                      it.key() + QStringLiteral(": ") + it.value(), false, false});
    if (measurement.error_message)
        items.append({QStringLiteral("error"), *measurement.error_message, true,
                      measurement.is_local_network_issue});
    return items;
}

BadgeColors badge_colors(const MeasurementResponseBadgeItem& item)
{
    const auto faint = [](QColor color) {
        color.setAlphaF(0.12f);
        return color;
    };
    if (item.is_local_network_issue)
        return {AppColors::orange(), faint(AppColors::orange())};
    if (item.is_error)
        return {AppColors::red(), faint(AppColors::red())};
    return {QColor(), faint(AppColors::secondary())};
}
