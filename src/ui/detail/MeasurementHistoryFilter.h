#pragma once

#include "model/MonitoredDomain.h"

#include <QList>
#include <QString>

#include <vector>

// Which measurements the history tables list.
enum class MeasurementHistoryFilter { all, delays, disturbances, outages, errors, over_one_second };

// Every case, in menu order.
QList<MeasurementHistoryFilter> all_history_filters();
// The raw value: the case name ("all", "over_one_second", ...).
QString history_filter_key(MeasurementHistoryFilter filter);
QString history_filter_title(MeasurementHistoryFilter filter);

// The filter's own rule; levels are those of `domain`'s current statistics.
// `errors` is not level "error": a local-network issue counts as one too.
bool passes_history_filter(const MonitoredDomain& domain, const DomainMeasurement& measurement,
                           MeasurementHistoryFilter filter);

// An empty `url` lets every measurement through; otherwise only those measured at
// exactly that URL (never one without a URL).
bool passes_url_selection(const DomainMeasurement& measurement, const QString& url);

// The measurements of `measurements` that pass both rules, in their order.
QList<DomainMeasurement> filtered_measurements(const MonitoredDomain& domain,
                                               const QList<DomainMeasurement>& measurements,
                                               MeasurementHistoryFilter filter, const QString& url);

// The same as indices, for the full history, which is never copied.
std::vector<qsizetype> filtered_indices(const MonitoredDomain& domain,
                                        const QList<DomainMeasurement>& measurements,
                                        MeasurementHistoryFilter filter, const QString& url);

// The distinct URLs of all of `measurements`, sorted.
QStringList history_urls(const QList<DomainMeasurement>& measurements);
