#pragma once

#include "measurement/NotificationRequest.h"
#include "measurement/NotificationSink.h"
#include "model/CertificateValidity.h"
#include "model/DomainAlert.h"

#include <QString>
#include <QUuid>

#include <optional>

// Tells the user that a measurement took far longer than the domain's usual
// time, or that a domain went down or came back. Called on the main thread;
// posting is fire-and-forget.
class TessaryNotificationService {
public:
    // Posts through `sink`, which must outlive the service.
    explicit TessaryNotificationService(NotificationSink& sink);

    // The process-wide instance, posting to the desktop's notification service
    // on the session bus; created on first use, from the main thread. The
    // store takes another one in its place (TessaryStore::Environment).
    static TessaryNotificationService& shared();

    // Posts one notification, in the current language, under a new identifier.
    // Times are in seconds. With a domain id, clicking it shows that domain.
    void notify_build_time_exceeded(const QString& domain_name, double total_time,
                                    double average_time,
                                    std::optional<QUuid> domain_id = std::nullopt);

    // The notification notify_build_time_exceeded() posts, without posting it.
    static NotificationRequest build_time_exceeded(const QString& domain_name, double total_time,
                                                   double average_time,
                                                   std::optional<QUuid> domain_id = std::nullopt);

    // "example.com is down" with the status or error in the body, or "example.com
    // is up again after 6 min" with the start of the outage; clicking it shows the
    // domain.
    void notify_domain_alert(const DomainAlert& alert);
    static NotificationRequest domain_alert(const DomainAlert& alert);

    // Posts that the certificate of `domain_name` expires soon or has expired;
    // with a domain id, clicking it shows that domain.
    void notify_certificate_expiring(const QString& domain_name,
                                     const CertificateValidity& validity,
                                     std::optional<QUuid> domain_id = std::nullopt);

    // The notification notify_certificate_expiring() posts, without posting it.
    static NotificationRequest certificate_expiring(const QString& domain_name,
                                                    const CertificateValidity& validity,
                                                    std::optional<QUuid> domain_id = std::nullopt);

private:
    // "7.25s" from one second up, "410ms" below; the language's decimal separator.
    static QString format_duration(double seconds);
    // "< 1 min", "6 min", "2 hours", "3 days".
    static QString format_outage_duration(double seconds);

    NotificationSink& sink_;
};
