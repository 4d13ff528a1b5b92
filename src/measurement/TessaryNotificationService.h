#pragma once

#include "measurement/NotificationRequest.h"
#include "measurement/NotificationSink.h"

#include <QString>

// Tells the user that a measurement took far longer than the domain's usual
// time. Called on the main thread; posting is fire-and-forget.
class TessaryNotificationService {
public:
    // Posts through `sink`, which must outlive the service.
    explicit TessaryNotificationService(NotificationSink& sink);

    // The process-wide instance, posting to the desktop's notification service
    // on the session bus; created on first use, from the main thread. The
    // store takes another one in its place (TessaryStore::Environment).
    static TessaryNotificationService& shared();

    // Posts one notification, in the current language, under a new identifier.
    // Times are in seconds.
    void notify_build_time_exceeded(const QString& domain_name, double total_time,
                                    double average_time);

    // The notification notify_build_time_exceeded() posts, without posting it.
    static NotificationRequest build_time_exceeded(const QString& domain_name, double total_time,
                                                   double average_time);

private:
    // "7.25s" from one second up, "410ms" below; the language's decimal separator.
    static QString format_duration(double seconds);

    NotificationSink& sink_;
};
