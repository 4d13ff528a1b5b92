#include "store/CertificateExpiryAlerts.h"

CertificateExpiryAlerts::CertificateExpiryAlerts(QTimeZone zone) : zone_(std::move(zone)) {}

std::optional<CertificateValidity> CertificateExpiryAlerts::due(const MonitoredDomain& domain,
                                                                const DomainMeasurement& latest,
                                                                const QDateTime& now)
{
    if (!domain.notifies_on_anomalies)
        return std::nullopt;
    const QDate today = now.toTimeZone(zone_).date();
    if (announced_on_.value(domain.id) == today)
        return std::nullopt;
    QDateTime expires_at = latest.certificate_expires_at;
    if (!expires_at.isValid() && latest.is_failed())
        expires_at = latest_certificate_expiry(domain.measurements);
    if (!expires_at.isValid())
        return std::nullopt;
    const CertificateValidity validity = CertificateValidity::at(expires_at, now, zone_);
    if (!validity.is_expiring_soon())
        return std::nullopt;
    announced_on_.insert(domain.id, today);
    return validity;
}
