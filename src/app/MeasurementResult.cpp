#include "MeasurementResult.h"

QString measurement_result(const DomainMeasurement& m)
{
    if (m.error_message)
        return *m.error_message;
    return m.http_status ? QString::number(*m.http_status) : QStringLiteral("no response");
}
