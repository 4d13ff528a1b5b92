#pragma once

#include "model/MonitoredDomain.h"

#include <QDateTime>
#include <QString>

#include <optional>

// Histories for report tests, built measurement by measurement.
namespace ReportTestData {

// 31 January 2025 at `hour`:`minute`:`second` UTC.
inline QDateTime at(int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2025, 1, 31), QTime(hour, minute, second), Qt::UTC);
}

inline DomainMeasurement success(const QDateTime& when, double total = 0.3)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = when;
    m.total_time = total;
    m.http_status = 200;
    m.dns_time = 0.01;
    m.connect_time = 0.02;
    m.ssl_time = 0.03;
    m.ttfb_time = 0.2;
    return m;
}

inline DomainMeasurement failure(const QDateTime& when, std::optional<int> status = 503,
                                 std::optional<QString> error = std::nullopt)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = when;
    m.total_time = 1.0;
    m.http_status = status;
    m.error_message = error;
    return m;
}

inline DomainMeasurement local_network_issue(const QDateTime& when)
{
    DomainMeasurement m = success(when);
    m.is_local_network_issue = true;
    m.network_baseline_time = 2.0;
    return m;
}

// A domain with the given history (in any order; stored newest first) and its
// statistics computed.
inline MonitoredDomain domain_with(QList<DomainMeasurement> measurements,
                                   const QString& url = QStringLiteral("https://example.com/"),
                                   int interval_seconds = 60)
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = url;
    domain.interval_seconds = interval_seconds;
    std::sort(measurements.begin(), measurements.end(),
              [](const DomainMeasurement& a, const DomainMeasurement& b) {
                  return a.measured_at > b.measured_at;
              });
    domain.measurements = std::move(measurements);
    domain.refresh_statistics();
    return domain;
}

} // namespace ReportTestData
