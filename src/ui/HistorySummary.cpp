#include "ui/HistorySummary.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

QString count(qint64 n, QStringView en_one, QStringView en_many, QStringView nl_one,
              QStringView nl_many)
{
    return QString::number(n) + u' ' +
           (n == 1 ? L10n::text(en_one, nl_one) : L10n::text(en_many, nl_many));
}

} // namespace

QString HistorySummary::text(const MonitoredDomain& domain, const QList<DomainMeasurement>& window)
{
    if (window.isEmpty())
        return L10n::text(u"No measurements available.", u"Geen metingen beschikbaar.");
    const QDateTime since = window.constLast().measured_at;
    const double span_seconds = double(since.msecsTo(window.constFirst().measured_at)) / 1000.0;
    std::optional<double> highest;
    for (const DomainMeasurement& measurement : window) {
        if (!measurement.is_local_network_issue)
            highest = std::max(highest.value_or(measurement.total_time), measurement.total_time);
    }
    qint64 outages = 0;
    qint64 disturbances = 0;
    for (const DomainDisturbancePeriod& period : domain.statistics.disturbance_periods) {
        if (period.started_at < since)
            continue;
        const bool outage =
            period.contains_failure ||
            domain.measurement_level(period.measurement) >= DomainMeasurementLevel::outage;
        ++(outage ? outages : disturbances);
    }
    QStringList parts{
        count(window.size(), u"measurement", u"measurements", u"meting", u"metingen") +
        QStringLiteral(" over ") + // the same word in Dutch
        L10n::monitoring_duration(std::max(span_seconds, 0.0))};
    if (highest)
        parts << L10n::text(u"highest ", u"hoogste ") + MeasurementFormatter::duration(*highest);
    parts << count(outages, u"outage", u"outages", u"storing", u"storingen")
          << L10n::disturbances(disturbances);
    return parts.join(QStringLiteral(", "));
}
