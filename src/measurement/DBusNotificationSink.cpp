#include "measurement/DBusNotificationSink.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
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
{}

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

    QDBusMessage message = method_call(u"Notify"_s);
    message << u"Tessary"_s << 0u << QString::fromLatin1(desktop_entry) << request.title
            << (body_is_markup ? request.body.toHtmlEscaped() : request.body) << QStringList()
            << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                Q_EMIT posting_finished(!finished->isError());
            });
}
