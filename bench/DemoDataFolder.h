#pragma once

#include "model/DomainJson.h"
#include "model/MonitoredDomain.h"
#include "store/HistoryJson.h"
#include "store/HistorySnapshot.h"
#include "store/StoreFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <cmath>
#include <random>

// A data folder of made-up but plausible domains, for the screenshots and the
// window benchmark: steady sites, a slow one, one with an outage, a pinned one.
namespace DemoDataFolder {

struct Site {
    QString url_string;
    // Typical total time in seconds.
    double typical_seconds = 0.2;
    // Chance of a failed request, and of a request far slower than usual.
    double failure_rate = 0.0;
    double slow_rate = 0.0;
    // A run of failures this many measurements back (0: none), this long.
    int outage_at = 0;
    int outage_length = 0;
    bool is_pinned = false;
    bool is_active = true;
    int max_history_hours = 48;
};

inline QList<Site> demo_sites()
{
    return {
        {QStringLiteral("https://www.example.com/"), 0.18, 0.0, 0.01, 0, 0, true},
        {QStringLiteral("https://shop.example.org/"), 0.42, 0.004, 0.04, 0, 0},
        {QStringLiteral("https://api.example.net/v1/health"), 0.09, 0.0, 0.0, 0, 0},
        {QStringLiteral("https://blog.example.io/"), 0.95, 0.01, 0.08, 0, 0},
        {QStringLiteral("https://status.example.dev/"), 0.25, 0.0, 0.0, 310, 14},
        {QStringLiteral("https://intranet.example.nl/"), 0.31, 0.0, 0.02, 0, 0, false, true, 24},
        {QStringLiteral("https://legacy.example.com/"), 0.8, 0.01, 0.03, 0, 0, false, false},
    };
}

// `count` measurements of `site`, one per `interval_seconds`, the newest at `now`;
// newest first.
inline QList<DomainMeasurement> history(const Site& site, const QDateTime& now, int count,
                                        int interval_seconds, std::mt19937_64& random)
{
    std::normal_distribution<double> noise(1.0, 0.12);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    QList<DomainMeasurement> measurements;
    measurements.reserve(count);
    for (int i = 0; i < count; ++i) {
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = now.addSecs(-qint64(i) * interval_seconds);
        m.url_string = site.url_string;
        const double total = site.typical_seconds * std::max(noise(random), 0.3);
        m.dns_time = total * 0.08;
        m.connect_time = total * 0.12;
        m.ssl_time = total * 0.2;
        m.ttfb_time = total * 0.5;
        m.total_time = total;
        m.http_status = 200;
        m.network_baseline_time = 0.03;
        const bool in_outage = site.outage_length > 0 && i >= site.outage_at &&
                               i < site.outage_at + site.outage_length;
        if (in_outage || chance(random) < site.failure_rate) {
            m.http_status.reset();
            m.error_message = QStringLiteral("The request timed out.");
            m.total_time = 15.0;
            m.ttfb_time.reset();
        } else if (chance(random) < site.slow_rate) {
            m.total_time = total * (4.0 + 4.0 * chance(random));
        }
        measurements.append(m);
    }
    return measurements;
}

// Writes domains.json and measurement_history.json for `sites` into `directory`,
// `per_domain` measurements each at `interval_seconds`, the newest at `now`.
inline void write(const QString& directory, const QList<Site>& sites, const QDateTime& now,
                  int per_domain, int interval_seconds = 120, quint64 seed = 1)
{
    std::mt19937_64 random(seed);
    QList<MonitoredDomain> domains;
    HistorySnapshot snapshot;
    for (const Site& site : sites) {
        MonitoredDomain domain;
        domain.id = QUuid::createUuid();
        domain.url_string = site.url_string;
        domain.interval_seconds = interval_seconds;
        domain.max_history_hours = site.max_history_hours;
        domain.is_pinned = site.is_pinned;
        domain.is_active = site.is_active;
        snapshot.append({domain.id, history(site, now, per_domain, interval_seconds, random)});
        domains.append(domain);
    }
    QDir().mkpath(directory);
    const StoreFiles files = StoreFiles::in(directory);
    QFile config(files.persistence_url);
    if (config.open(QIODevice::WriteOnly))
        config.write(DomainJson::encode_list(domains, DomainJson::MeasurementsField::left_empty));
    QFile history_file(files.history_url);
    if (history_file.open(QIODevice::WriteOnly))
        history_file.write(HistoryJson::encode(snapshot));
}

} // namespace DemoDataFolder
