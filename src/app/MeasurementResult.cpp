#include "MeasurementResult.h"

#include "i18n/TerminalText.h"

QString measurement_result(const DomainMeasurement& m)
{
    if (m.error_message)
        return TerminalText::printable(*m.error_message);
    return m.http_status ? QString::number(*m.http_status) : QStringLiteral("no response");
}
