#pragma once

#include "model/DomainMeasurement.h"

#include <QDateTime>
#include <QUuid>

// Measurements for tests, placed at whole seconds after a fixed instant.
inline QDateTime test_epoch()
{
    return QDateTime(QDate(2025, 1, 31), QTime(9, 15), Qt::UTC);
}

inline DomainMeasurement successful(double total_time, qint64 at_seconds = 0, int status = 200)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = test_epoch().addSecs(at_seconds);
    m.total_time = total_time;
    m.http_status = status;
    return m;
}

inline DomainMeasurement failed(double total_time, qint64 at_seconds = 0)
{
    DomainMeasurement m = successful(total_time, at_seconds);
    m.http_status.reset();
    m.error_message = QStringLiteral("The request timed out.");
    return m;
}

inline DomainMeasurement local_issue(double total_time, qint64 at_seconds = 0)
{
    DomainMeasurement m = successful(total_time, at_seconds);
    m.is_local_network_issue = true;
    return m;
}
