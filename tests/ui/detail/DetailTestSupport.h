#pragma once

#include "model/MonitoredDomain.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <optional>

// Measurements built field by field for table-driven cases.
struct MeasurementSample {
    double total_time = 0.2;
    std::optional<int> status = 200;
    QString error{}; // empty: none
    bool local_issue = false;
    std::optional<QString> url = QStringLiteral("https://example.com");
};

inline DomainMeasurement make_measurement(const QDateTime& at, const MeasurementSample& sample = {})
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = at;
    m.total_time = sample.total_time;
    m.http_status = sample.status;
    if (!sample.error.isEmpty())
        m.error_message = sample.error;
    m.is_local_network_issue = sample.local_issue;
    m.url_string = sample.url;
    return m;
}

// A domain whose history is `samples` (newest first), one measurement a minute
// back from `newest`, with its statistics computed.
inline MonitoredDomain make_domain(const QList<MeasurementSample>& samples,
                                   const QDateTime& newest = QDateTime(QDate(2025, 1, 31),
                                                                       QTime(9, 0), Qt::UTC))
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = QStringLiteral("https://example.com");
    domain.interval_seconds = 60;
    for (qsizetype i = 0; i < samples.size(); ++i)
        domain.measurements.append(make_measurement(newest.addSecs(-60 * i), samples[i]));
    domain.refresh_statistics();
    return domain;
}

// Writes `content` to `path`, creating its folders; false when that fails.
inline bool write_file(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(content) == content.size();
}
