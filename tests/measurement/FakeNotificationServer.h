#pragma once

#include <QDBusContext>
#include <QDBusError>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

// Stands in for the desktop's notification daemon and records every Notify.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    enum class Behaviour { answer, refuse, never_answer };

    struct Call {
        QString app_name;
        QString app_icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };

    Behaviour behaviour = Behaviour::answer;
    QStringList capabilities{QStringLiteral("body"), QStringLiteral("sound")};
    std::vector<Call> calls;

public Q_SLOTS:
    // Numbers notifications 1, 2, ... in the order they arrive.
    uint Notify(const QString& app_name, uint, const QString& app_icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int)
    {
        calls.push_back({app_name, app_icon, summary, body, actions, hints});
        setDelayedReply(behaviour == Behaviour::never_answer);
        if (behaviour == Behaviour::refuse)
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("notifications are off"));
        return uint(calls.size());
    }
    QStringList GetCapabilities() { return capabilities; }
};
