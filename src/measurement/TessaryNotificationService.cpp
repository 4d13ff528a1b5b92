#include "measurement/TessaryNotificationService.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "measurement/DBusNotificationSink.h"

#include <QUuid>

using namespace Qt::StringLiterals;

TessaryNotificationService::TessaryNotificationService(NotificationSink& sink) : sink_(sink) {}

TessaryNotificationService& TessaryNotificationService::shared()
{
    // Never destroyed, like the bus connection it posts on.
    static auto* const sink = new DBusNotificationSink();
    static auto* const instance = new TessaryNotificationService(*sink);
    return *instance;
}

void TessaryNotificationService::notify_build_time_exceeded(const QString& domain_name,
                                                            double total_time, double average_time)
{
    sink_.post(build_time_exceeded(domain_name, total_time, average_time));
}

NotificationRequest TessaryNotificationService::build_time_exceeded(const QString& domain_name,
                                                                    double total_time,
                                                                    double average_time)
{
    const QString total = format_duration(total_time);
    const QString average = format_duration(average_time);
    NotificationRequest request;
    request.identifier =
        u"build-time-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    request.title = L10n::text(u"Build time exceeded 5.0s", u"Buildtijd overschreed 5,0s");
    request.body = L10n::text(domain_name + u" took "_s + total +
                                  u". The previous average is only "_s + average + u"."_s,
                              domain_name + u" duurde "_s + total +
                                  u". Het eerdere gemiddelde is slechts "_s + average + u"."_s);
    request.plays_default_sound = true;
    return request;
}

QString TessaryNotificationService::format_duration(double seconds)
{
    if (seconds >= 1.0)
        return MeasurementFormatter::number("%.2fs", seconds);
    return MeasurementFormatter::number("%.0fms", seconds * 1000.0);
}
