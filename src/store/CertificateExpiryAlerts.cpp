#include "store/CertificateExpiryAlerts.h"

#include "model/DomainHost.h"

#include <algorithm>

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
    if (!expires_at.isValid() && latest.is_failed()) {
        // The certificate is the host's: one of a host the URL was edited away from
        // says nothing (a measurement of an unknown URL is taken as the domain's).
        const QString host = host_key(latest.url_string.value_or(QString()));
        const auto known =
            std::find_if(domain.measurements.cbegin(), domain.measurements.cend(),
                         [&](const DomainMeasurement& m) {
                             return m.certificate_expires_at.isValid() &&
                                    (!m.url_string || host_key(*m.url_string) == host);
                         });
        if (known != domain.measurements.cend())
            expires_at = known->certificate_expires_at;
    }
    if (!expires_at.isValid())
        return std::nullopt;
    const CertificateValidity validity = CertificateValidity::at(expires_at, now, zone_);
    if (!validity.is_expiring_soon())
        return std::nullopt;
    announced_on_.insert(domain.id, today);
    return validity;
}
