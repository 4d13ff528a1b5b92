#include "measurement/DBusNotificationSink.h"

#include "i18n/L10n.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaMethod>
#include <QStringList>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {

const QString service = u"org.freedesktop.Notifications"_s;
const QString path = u"/org/freedesktop/Notifications"_s;
const QString interface = u"org.freedesktop.Notifications"_s;

QDBusMessage method_call(const QString& method)
{
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

} // namespace

DBusNotificationSink::DBusNotificationSink(QDBusConnection connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection))
{
    if (!connection_.isConnected())
        return;
    connection_.connect(service, path, interface, u"ActionInvoked"_s, this,
                        SLOT(on_action_invoked(uint, QString)));
    connection_.connect(service, path, interface, u"NotificationClosed"_s, this,
                        SLOT(on_notification_closed(uint, uint)));
}

// From the build, which names the desktop entry it installs after it.
const char* const DBusNotificationSink::desktop_entry = TESSARY_APP_ID;

DBusNotificationSink& DBusNotificationSink::shared()
{
    static auto* const sink = new DBusNotificationSink();
    return *sink;
}

void DBusNotificationSink::post(const NotificationRequest& request)
{
    if (!connection_.isConnected()) {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT posting_finished(false); }, Qt::QueuedConnection);
        return;
    }
    // Servers that read markup would take a "&" or "<" in a domain name as markup.
    auto* watcher =
        new QDBusPendingCallWatcher(connection_.asyncCall(method_call(u"GetCapabilities"_s)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<QStringList> capabilities = *finished;
                finished->deleteLater();
                // Without an answer, plain text is the safe guess; Notify then
                // fails too if there is no service at all.
                const bool markup =
                    !capabilities.isError() && capabilities.value().contains(u"body-markup"_s);
                notify(request, markup);
            });
}

void DBusNotificationSink::notify(const NotificationRequest& request, bool body_is_markup)
{
    QVariantMap hints;
    if (request.plays_default_sound)
        hints.insert(QString::fromLatin1(sound_hint), QString::fromLatin1(default_sound_name));
    hints.insert(QString::fromLatin1(identifier_hint), request.identifier);
    hints.insert(QString::fromLatin1(desktop_entry_hint), QString::fromLatin1(desktop_entry));

    QStringList actions;
    // Offered only where a click can do something: a window that listens.
    if (request.domain_id &&
        isSignalConnected(QMetaMethod::fromSignal(&DBusNotificationSink::domain_activated))) {
        // Servers show the label where they show actions as buttons.
        actions << QString::fromLatin1(default_action)
                << L10n::text(u"Show in Tessary", u"Tonen in Tessary");
    }

    QDBusMessage message = method_call(u"Notify"_s);
    message << u"Tessary"_s << 0u << QString::fromLatin1(app_icon) << request.title
            << (body_is_markup ? request.body.toHtmlEscaped() : request.body) << actions << hints
            << -1;
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, domain_id = request.domain_id](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (!reply.isError() && domain_id)
                    domains_by_notification_.insert(reply.value(), *domain_id);
                Q_EMIT posting_finished(!reply.isError());
            });
}

void DBusNotificationSink::on_action_invoked(uint notification_id, const QString& action_key)
{
    const auto found = domains_by_notification_.constFind(notification_id);
    if (found == domains_by_notification_.cend() || action_key != QLatin1String(default_action))
        return;
    Q_EMIT domain_activated(*found);
}

void DBusNotificationSink::on_notification_closed(uint notification_id, uint /*reason*/)
{
    domains_by_notification_.remove(notification_id);
}
