#include "ui/DomainSidebarRow.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "model/DomainHost.h"
#include "ui/AppColors.h"
#include "ui/detail/DomainStatus.h"

#include <QStringList>

#include <algorithm>

QColor DomainSidebarRow::status_color(const MonitoredDomain& domain)
{
    if (!domain.is_active)
        return AppColors::secondary();
    if (domain.measurements.isEmpty())
        return AppColors::orange();
    const DomainMeasurement& latest = domain.measurements.constFirst();
    if (latest.is_local_network_issue)
        return AppColors::orange();
    if (latest.is_failed())
        return AppColors::red();
    return AppColors::for_level(domain.measurement_level(latest), AppColors::green());
}

QString DomainSidebarRow::monitoring_duration(const MonitoredDomain& domain, const QDateTime& at)
{
    if (domain.measurements.isEmpty())
        return QStringLiteral("-");
    const qint64 ms = domain.measurements.constLast().measured_at.msecsTo(at);
    return L10n::monitoring_duration(double(std::max<qint64>(ms, 0)) / 1000.0);
}

QString DomainSidebarRow::detail_text(const MonitoredDomain& domain, bool is_running)
{
    const QString separator = QStringLiteral(" \u00B7 ");
    const auto disturbance_count = qint64(domain.statistics.disturbance_measurement_ids.size());
    QStringList parts;
    if (domain.measurements.isEmpty()) {
        parts << (domain.is_active ? L10n::text(u"Waiting", u"Wachten")
                                   : L10n::text(u"Inactive", u"Inactief"))
              << L10n::calls(0) << L10n::disturbances(disturbance_count);
        return parts.join(separator);
    }
    if (is_running)
        parts << L10n::text(u"Measuring...", u"Bezig met meten...");
    parts << MeasurementFormatter::duration(domain.measurements.constFirst().total_time)
          << L10n::text(u"avg", u"gem") + u' ' +
                 MeasurementFormatter::duration(domain.statistics.average_total_time)
          << L10n::calls(domain.measurements.size()) << L10n::disturbances(disturbance_count);
    return parts.join(separator);
}

QString DomainSidebarRow::accessible_name(const MonitoredDomain& domain, bool is_running)
{
    QStringList parts{domain_host(domain.url_string),
                      status_text(domain_status(domain, is_running)).toLower()};
    if (!domain.measurements.isEmpty())
        parts << MeasurementFormatter::duration(domain.measurements.constFirst().total_time)
              << L10n::text(u"average ", u"gemiddeld ") +
                     MeasurementFormatter::duration(domain.statistics.average_total_time);
    parts << L10n::disturbances(qint64(domain.statistics.disturbance_measurement_ids.size()));
    if (domain.is_pinned)
        parts << L10n::text(u"pinned", u"vastgemaakt");
    return parts.join(QStringLiteral(", "));
}
