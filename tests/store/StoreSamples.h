#pragma once

#include "model/MonitoredDomain.h"

#include <QDateTime>
#include <QUuid>

// A domain record as the store's files hold it.
inline MonitoredDomain sample_domain(const QString& url, int interval_seconds = 60)
{
    MonitoredDomain d;
    d.id = QUuid::createUuid();
    d.url_string = url;
    d.interval_seconds = interval_seconds;
    return d;
}

// A successful measurement taken at `at`.
inline DomainMeasurement sample_measurement(const QDateTime& at, double total_time = 0.2)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = at;
    m.total_time = total_time;
    m.http_status = 200;
    return m;
}
