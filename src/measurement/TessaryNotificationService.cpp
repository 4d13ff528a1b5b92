#include "measurement/TessaryNotificationService.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "measurement/DBusNotificationSink.h"

#include <QUuid>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString new_identifier(QStringView prefix)
{
    return prefix.toString() + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

} // namespace

TessaryNotificationService::TessaryNotificationService(NotificationSink& sink) : sink_(sink) {}

TessaryNotificationService& TessaryNotificationService::shared()
{
    // Never destroyed, like the bus connection it posts on.
    static auto* const instance = new TessaryNotificationService(DBusNotificationSink::shared());
    return *instance;
}

void TessaryNotificationService::notify_build_time_exceeded(const QString& domain_name,
                                                            double total_time, double average_time,
                                                            std::optional<QUuid> domain_id)
{
    sink_.post(build_time_exceeded(domain_name, total_time, average_time, domain_id));
}

NotificationRequest TessaryNotificationService::build_time_exceeded(const QString& domain_name,
                                                                    double total_time,
                                                                    double average_time,
                                                                    std::optional<QUuid> domain_id)
{
    const QString total = format_duration(total_time);
    const QString average = format_duration(average_time);
    NotificationRequest request;
    request.identifier = new_identifier(u"build-time-");
    request.title = L10n::text(u"Build time exceeded 5.0s", u"Buildtijd overschreed 5,0s");
    request.body = L10n::text(domain_name + u" took "_s + total +
                                  u". The previous average is only "_s + average + u"."_s,
                              domain_name + u" duurde "_s + total +
                                  u". Het eerdere gemiddelde is slechts "_s + average + u"."_s);
    request.domain_id = domain_id;
    return request;
}

void TessaryNotificationService::notify_domain_alert(const DomainAlert& alert)
{
    sink_.post(domain_alert(alert));
}

NotificationRequest TessaryNotificationService::domain_alert(const DomainAlert& alert)
{
    const QString& name = alert.domain_name;
    const DomainMeasurement& m = alert.measurement;
    NotificationRequest request;
    request.domain_id = alert.domain_id;
    if (alert.kind == DomainAlert::Kind::down) {
        request.identifier = new_identifier(u"domain-down-");
        request.title = L10n::text(name + u" is down"_s, name + u" is onbereikbaar"_s);
        if (m.error_message)
            request.body = *m.error_message;
        else if (m.http_status)
            request.body =
                L10n::text(u"HTTP status ", u"HTTP-status ") + QString::number(*m.http_status);
        else
            request.body = L10n::text(u"No response", u"Geen antwoord");
        return request;
    }
    const QString after = format_outage_duration(alert.outage_seconds());
    const QString since = MeasurementFormatter::date_time().string(alert.outage_started_at);
    request.identifier = new_identifier(u"domain-up-");
    request.title = L10n::text(name + u" is up again after "_s + after,
                               name + u" is weer bereikbaar na "_s + after);
    request.body =
        L10n::text(u"Down since "_s + since + u"."_s, u"Onbereikbaar sinds "_s + since + u"."_s);
    return request;
}

void TessaryNotificationService::notify_certificate_expiring(const QString& domain_name,
                                                             const CertificateValidity& validity,
                                                             std::optional<QUuid> domain_id)
{
    sink_.post(certificate_expiring(domain_name, validity, domain_id));
}

NotificationRequest TessaryNotificationService::certificate_expiring(
    const QString& domain_name, const CertificateValidity& validity, std::optional<QUuid> domain_id)
{
    NotificationRequest request;
    request.identifier = new_identifier(u"certificate-");
    request.domain_id = domain_id;
    if (validity.has_expired) {
        request.title = L10n::text(u"Certificate expired", u"Certificaat verlopen");
        request.body =
            L10n::text(u"The certificate of %1 has expired", u"Het certificaat van %1 is verlopen")
                .arg(domain_name);
    } else {
        request.title = L10n::text(u"Certificate expires soon", u"Certificaat verloopt binnenkort");
        if (validity.days_left <= 0)
            request.body = L10n::text(u"The certificate of %1 expires today",
                                      u"Het certificaat van %1 verloopt vandaag")
                               .arg(domain_name);
        else if (validity.days_left == 1)
            request.body = L10n::text(u"The certificate of %1 expires in 1 day",
                                      u"Het certificaat van %1 verloopt over 1 dag")
                               .arg(domain_name);
        else
            request.body = L10n::text(u"The certificate of %1 expires in %2 days",
                                      u"Het certificaat van %1 verloopt over %2 dagen")
                               .arg(domain_name, QString::number(validity.days_left));
    }
    return request;
}

QString TessaryNotificationService::format_duration(double seconds)
{
    if (seconds >= 1.0)
        return MeasurementFormatter::number("%.2fs", seconds);
    return MeasurementFormatter::number("%.0fms", seconds * 1000.0);
}

QString TessaryNotificationService::format_outage_duration(double seconds)
{
    if (seconds < 60.0)
        return MeasurementFormatter::minutes(seconds);
    if (seconds < 3600.0)
        return MeasurementFormatter::number("%.0f min", std::floor(seconds / 60.0));
    return L10n::monitoring_duration(seconds);
}
