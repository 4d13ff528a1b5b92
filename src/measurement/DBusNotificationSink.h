#pragma once

#include "measurement/NotificationSink.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QUuid>

// Posts to the freedesktop notification service (org.freedesktop.Notifications)
// over D-Bus, asynchronously. Notify gets app_name "Tessary", replaces_id 0, the
// application icon "tessary", expire_timeout -1, the action "default" when the
// request names a domain and something listens to domain_activated (no actions
// otherwise) and these hints:
//   "desktop-entry" the application id, the name of the installed desktop entry,
//                   so the desktop files the notification under Tessary
//   "sound-name"    "message-new-instant" when the request plays the default sound
//   "x-tessary-id"  the request's identifier (such as "build-time-<UUID>")
// The body is escaped when the service says it reads markup ("body-markup").
// A missing service, a refused call or no bus at all is ignored. When the user
// clicks a notification that names a domain (the service's ActionInvoked with
// "default"), the sink announces that domain.
class DBusNotificationSink final : public QObject, public NotificationSink {
    Q_OBJECT

public:
    static constexpr const char* sound_hint = "sound-name";
    static constexpr const char* default_sound_name = "message-new-instant";
    static constexpr const char* identifier_hint = "x-tessary-id";
    static constexpr const char* desktop_entry_hint = "desktop-entry";
    // The desktop entry's name without ".desktop" (the application id).
    static const char* const desktop_entry;
    static constexpr const char* app_icon = "tessary";
    static constexpr const char* default_action = "default";

    // The process-wide sink on the session bus, created on first use from the
    // main thread and never destroyed, like the bus connection.
    static DBusNotificationSink& shared();

    // On the session bus unless given another connection.
    explicit DBusNotificationSink(QDBusConnection connection = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);

    void post(const NotificationRequest& request) override;

Q_SIGNALS:
    // After each post(), once the service has answered (or could not be
    // reached): whether it took the notification.
    void posting_finished(bool delivered);
    // The user clicked a notification about this domain.
    void domain_activated(const QUuid& domain_id);

private Q_SLOTS:
    // Connected by name, as D-Bus signals can only be.
    void on_action_invoked(uint notification_id, const QString& action_key);
    void on_notification_closed(uint notification_id, uint reason);

private:
    void notify(const NotificationRequest& request, bool body_is_markup);

    QDBusConnection connection_;
    // The notifications still shown that name a domain, by the service's id.
    QHash<uint, QUuid> domains_by_notification_;
};
