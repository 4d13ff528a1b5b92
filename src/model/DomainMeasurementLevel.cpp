#include "model/DomainMeasurementLevel.h"

#include "i18n/L10n.h"

QString domain_measurement_level_title(DomainMeasurementLevel level)
{
    switch (level) {
    case DomainMeasurementLevel::normal:
        return L10n::text(u"Normal", u"Normaal");
    case DomainMeasurementLevel::delay:
        return L10n::text(u"Delay", u"Vertraging");
    case DomainMeasurementLevel::disturbance:
        return L10n::text(u"Disturbance", u"Verstoring");
    case DomainMeasurementLevel::outage:
        return L10n::text(u"Outage", u"Storing");
    case DomainMeasurementLevel::error:
        return L10n::text(u"Error", u"Fout");
    }
    Q_UNREACHABLE();
    return {};
}

QString domain_measurement_level_key(DomainMeasurementLevel level)
{
    switch (level) {
    case DomainMeasurementLevel::normal:
        return QStringLiteral("normal");
    case DomainMeasurementLevel::delay:
        return QStringLiteral("delay");
    case DomainMeasurementLevel::disturbance:
        return QStringLiteral("disturbance");
    case DomainMeasurementLevel::outage:
        return QStringLiteral("outage");
    case DomainMeasurementLevel::error:
        return QStringLiteral("error");
    }
    Q_UNREACHABLE();
    return {};
}
