#include "model/CertificateValidity.h"

#include "i18n/L10n.h"

CertificateValidity CertificateValidity::at(const QDateTime& expires_at, const QDateTime& now,
                                            const QTimeZone& zone)
{
    CertificateValidity validity;
    validity.days_left = now.toTimeZone(zone).date().daysTo(expires_at.toTimeZone(zone).date());
    validity.has_expired = expires_at <= now;
    return validity;
}

std::optional<CertificateValidity>
CertificateValidity::of_latest(const QList<DomainMeasurement>& newest_first, const QDateTime& now,
                               const QTimeZone& zone)
{
    const QDateTime expires_at = latest_certificate_expiry(newest_first);
    if (!expires_at.isValid())
        return std::nullopt;
    return at(expires_at, now, zone);
}

QString CertificateValidity::description() const
{
    if (has_expired) {
        const qint64 ago = -days_left;
        if (ago <= 0)
            return L10n::text(u"Certificate expired today", u"Certificaat vandaag verlopen");
        if (ago == 1)
            return L10n::text(u"Certificate expired 1 day ago",
                              u"Certificaat 1 dag geleden verlopen");
        return L10n::text(u"Certificate expired %1 days ago",
                          u"Certificaat %1 dagen geleden verlopen")
            .arg(ago);
    }
    if (days_left <= 0)
        return L10n::text(u"Certificate expires today", u"Certificaat verloopt vandaag");
    if (days_left == 1)
        return L10n::text(u"Certificate valid for 1 more day", u"Certificaat nog 1 dag geldig");
    return L10n::text(u"Certificate valid for %1 more days", u"Certificaat nog %1 dagen geldig")
        .arg(days_left);
}

QDateTime latest_certificate_expiry(const QList<DomainMeasurement>& newest_first)
{
    for (const DomainMeasurement& measurement : newest_first) {
        if (measurement.certificate_expires_at.isValid())
            return measurement.certificate_expires_at;
    }
    return QDateTime();
}
