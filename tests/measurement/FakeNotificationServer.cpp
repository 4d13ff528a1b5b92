#include "FakeNotificationServer.h"

#include <QDBusConnection>
#include <QDBusError>

using namespace Qt::StringLiterals;

uint FakeNotificationServer::Notify(const QString& app_name, uint replaces_id,
                                    const QString& app_icon, const QString& summary,
                                    const QString& body, const QStringList& actions,
                                    const QVariantMap& hints, int expire_timeout)
{
    calls.push_back(
        {app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout});
    switch (behaviour) {
    case Behaviour::answer:
        break;
    case Behaviour::refuse:
        sendErrorReply(QDBusError::AccessDenied, u"notifications are switched off"_s);
        break;
    case Behaviour::never_answer:
        setDelayedReply(true);
        unanswered_.push_back(message());
        break;
    }
    return next_id_++;
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return capabilities;
}
