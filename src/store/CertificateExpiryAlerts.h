#pragma once

#include "model/CertificateValidity.h"
#include "model/MonitoredDomain.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QTimeZone>
#include <QUuid>

#include <optional>

// When a domain's certificate is worth a notification: the domain notifies on
// anomalies, fewer than CertificateValidity::warning_days are left (or it has
// expired), and it has not been announced yet on the same local day. The days
// are remembered for this process only.
class CertificateExpiryAlerts {
public:
    explicit CertificateExpiryAlerts(QTimeZone zone = QTimeZone::systemTimeZone());

    // Called after `domain` recorded `latest` (already in its history) at `now`;
    // returns what to announce, and remembers the day when it returns one. An
    // expired certificate fails the handshake and leaves no expiry behind, so a
    // failed measurement falls back on the last one the history knows of its host.
    std::optional<CertificateValidity> due(const MonitoredDomain& domain,
                                           const DomainMeasurement& latest, const QDateTime& now);

private:
    QTimeZone zone_;
    QHash<QUuid, QDate> announced_on_;
};
