#include "ui/TrayState.h"

#include "i18n/L10n.h"
#include "ui/detail/DomainStatus.h"

TrayState TrayState::of(const QList<MonitoredDomain>& domains)
{
    TrayState state;
    for (const MonitoredDomain& domain : domains) {
        if (domain.is_archived || !domain.is_active)
            continue;
        ++state.domains;
        switch (domain_status(domain, false)) {
        case DomainStatus::online:
            ++state.fine;
            break;
        case DomainStatus::delay:
        case DomainStatus::disturbance:
            ++state.disturbed;
            break;
        case DomainStatus::outage:
        case DomainStatus::down:
            ++state.down;
            break;
        default: // waiting, or a local network issue: nothing known of the site
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
