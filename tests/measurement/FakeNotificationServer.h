#pragma once

#include <QDBusContext>
#include <QDBusMessage>
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
        uint replaces_id = 0;
        QString app_icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expire_timeout = 0;
    };

    Behaviour behaviour = Behaviour::answer;
    QStringList capabilities{QStringLiteral("body"), QStringLiteral("sound")};
    std::vector<Call> calls;

public Q_SLOTS:
    uint Notify(const QString& app_name, uint replaces_id, const QString& app_icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expire_timeout);
    QStringList GetCapabilities();

private:
    uint next_id_ = 1;
    std::vector<QDBusMessage> unanswered_;
};
