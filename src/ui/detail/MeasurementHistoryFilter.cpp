#include "ui/detail/MeasurementHistoryFilter.h"

#include "i18n/L10n.h"

#include <QSet>

#include <algorithm>

QList<MeasurementHistoryFilter> all_history_filters()
{
    return {MeasurementHistoryFilter::all,          MeasurementHistoryFilter::delays,
            MeasurementHistoryFilter::disturbances, MeasurementHistoryFilter::outages,
            MeasurementHistoryFilter::errors,       MeasurementHistoryFilter::over_one_second};
}

QString history_filter_key(MeasurementHistoryFilter filter)
{
    switch (filter) {
    case MeasurementHistoryFilter::all:
        return QStringLiteral("all");
    case MeasurementHistoryFilter::delays:
        return QStringLiteral("delays");
    case MeasurementHistoryFilter::disturbances:
        return QStringLiteral("disturbances");
    case MeasurementHistoryFilter::outages:
        return QStringLiteral("outages");
    case MeasurementHistoryFilter::errors:
        return QStringLiteral("errors");
    case MeasurementHistoryFilter::over_one_second:
        return QStringLiteral("over_one_second");
    }
    Q_UNREACHABLE();
    return {};
}

QString history_filter_title(MeasurementHistoryFilter filter)
{
    switch (filter) {
    case MeasurementHistoryFilter::all:
        return L10n::text(u"All measurements", u"Alle metingen");
    case MeasurementHistoryFilter::delays:
        return L10n::text(u"Delays", u"Vertragingen");
    case MeasurementHistoryFilter::disturbances:
        return L10n::text(u"Disturbances", u"Verstoringen");
    case MeasurementHistoryFilter::outages:
        return L10n::text(u"Outages", u"Storingen");
    case MeasurementHistoryFilter::errors:
        return L10n::text(u"Errors", u"Fouten");
    case MeasurementHistoryFilter::over_one_second:
        return L10n::text(u"Calls over 1s", u"Calls boven 1s");
    }
    Q_UNREACHABLE();
    return {};
}

bool passes_history_filter(const MonitoredDomain& domain, const DomainMeasurement& measurement,
                           MeasurementHistoryFilter filter)
{
    switch (filter) {
    case MeasurementHistoryFilter::all:
        return true;
    case MeasurementHistoryFilter::delays:
        return domain.measurement_level(measurement) == DomainMeasurementLevel::delay;
    case MeasurementHistoryFilter::disturbances:
        return domain.measurement_level(measurement) == DomainMeasurementLevel::disturbance;
    case MeasurementHistoryFilter::outages:
        return domain.measurement_level(measurement) == DomainMeasurementLevel::outage;
    case MeasurementHistoryFilter::errors:
        // A local-network issue counts as an error here, though its level may be lower.
        return measurement.is_local_network_issue || measurement.is_failed();
    case MeasurementHistoryFilter::over_one_second:
        return !measurement.is_local_network_issue && measurement.total_time > 1.0;
    }
    Q_UNREACHABLE();
    return false;
}

bool passes_url_selection(const DomainMeasurement& measurement, const QString& url)
{
    if (url.isEmpty())
        return true;
    return measurement.url_string && *measurement.url_string == url;
}

QList<DomainMeasurement> filtered_measurements(const MonitoredDomain& domain,
                                               const QList<DomainMeasurement>& measurements,
                                               MeasurementHistoryFilter filter, const QString& url)
{
    if (filter == MeasurementHistoryFilter::all && url.isEmpty())
        return measurements;
    QList<DomainMeasurement> kept;
    for (const DomainMeasurement& m : measurements) {
        if (passes_url_selection(m, url) && passes_history_filter(domain, m, filter))
            kept.append(m);
    }
    return kept;
}

std::vector<qsizetype> filtered_indices(const MonitoredDomain& domain,
                                        const QList<DomainMeasurement>& measurements,
                                        MeasurementHistoryFilter filter, const QString& url)
{
    std::vector<qsizetype> kept;
    for (qsizetype i = 0; i < measurements.size(); ++i) {
        const DomainMeasurement& m = measurements[i];
        if (passes_url_selection(m, url) && passes_history_filter(domain, m, filter))
            kept.push_back(i);
    }
    return kept;
}

QStringList history_urls(const QList<DomainMeasurement>& measurements)
{
    QSet<QString> seen;
    QStringList urls;
    for (const DomainMeasurement& m : measurements) {
        if (m.url_string && !seen.contains(*m.url_string)) {
            seen.insert(*m.url_string);
            urls.append(*m.url_string);
        }
    }
    std::sort(urls.begin(), urls.end());
    return urls;
}
