#include "ui/TrayState.h"

#include "i18n/L10n.h"

TrayState TrayState::of(const QList<MonitoredDomain>& domains)
{
    TrayState state;
    for (const MonitoredDomain& domain : domains) {
        if (domain.is_archived || !domain.is_active)
            continue;
        ++state.domains;
        if (domain.measurements.isEmpty() ||
            domain.measurements.constFirst().is_local_network_issue)
            continue;
        switch (domain.measurement_level(domain.measurements.constFirst())) {
        case DomainMeasurementLevel::normal:
            ++state.fine;
            break;
        case DomainMeasurementLevel::delay:
        case DomainMeasurementLevel::disturbance:
            ++state.disturbed;
            break;
        case DomainMeasurementLevel::outage:
        case DomainMeasurementLevel::error:
            ++state.down;
            break;
        }
    }
    return state;
}

TrayState::Level TrayState::worst() const
{
    if (down > 0)
        return Level::down;
    return disturbed > 0 ? Level::disturbed : Level::fine;
}

QString TrayState::tooltip() const
{
    const QString counts =
        L10n::text(u"%1 fine, %2 disturbed, %3 down", u"%1 in orde, %2 verstoord, %3 onbereikbaar")
            .arg(fine)
            .arg(disturbed)
            .arg(down);
    const QString total = domains == 1 ? L10n::text(u"1 domain", u"1 domein")
                                       : L10n::text(u"%1 domains", u"%1 domeinen").arg(domains);
    return QStringLiteral("Tessary \u00B7 %1: %2").arg(total, counts);
}
