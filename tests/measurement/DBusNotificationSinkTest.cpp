#include "measurement/DBusNotificationSink.h"

#include "EventLoop.h"
#include "FakeNotificationServer.h"
#include "PrivateSessionBus.h"
#include "i18n/L10n.h"
#include "measurement/TessaryNotificationService.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

// One private bus per test, a client connection to it, and optionally the fake
// notification daemon on a connection of its own.
class DBusNotificationSinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus_.address().isEmpty()) << bus_.error().toStdString();
        const QString suffix = QString::number(++connection_counter);
        client_name_ = u"tessary-client-"_s + suffix;
        server_name_ = u"tessary-server-"_s + suffix;
        client_ = QDBusConnection::connectToBus(bus_.address(), client_name_);
        ASSERT_TRUE(client_->isConnected()) << client_->lastError().message().toStdString();
        L10n::set_selected_language(AppLanguage::english);
    }

    void TearDown() override
    {
        L10n::set_selected_language(AppLanguage::system);
        if (server_) {
            server_->unregisterObject(u"/org/freedesktop/Notifications"_s);
            server_->unregisterService(u"org.freedesktop.Notifications"_s);
        }
        server_.reset();
        client_.reset();
        QDBusConnection::disconnectFromBus(server_name_);
        QDBusConnection::disconnectFromBus(client_name_);
    }

    void start_server()
    {
        server_ = QDBusConnection::connectToBus(bus_.address(), server_name_);
        ASSERT_TRUE(server_->isConnected());
        ASSERT_TRUE(server_->registerObject(u"/org/freedesktop/Notifications"_s, &fake_,
                                            QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server_->registerService(u"org.freedesktop.Notifications"_s));
    }

    // Posts and waits for the sink to hear back; returns what it heard.
    std::optional<bool> post_and_wait(DBusNotificationSink& sink,
                                      const NotificationRequest& request)
    {
        std::optional<bool> delivered;
        const auto connection = QObject::connect(&sink, &DBusNotificationSink::posting_finished,
                                                 [&](bool value) { delivered = value; });
        sink.post(request);
        wait_until([&] { return delivered.has_value(); });
        QObject::disconnect(connection);
        return delivered;
    }

    // A signal of the notification daemon, as the desktop sends it on a click.
    void send_from_server(const QString& name, const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                                         u"org.freedesktop.Notifications"_s, name);
        signal.setArguments(arguments);
        ASSERT_TRUE(server_->send(signal));
    }

    static inline int connection_counter = 0;
    PrivateSessionBus bus_;
    QString client_name_;
    QString server_name_;
    std::optional<QDBusConnection> client_;
    std::optional<QDBusConnection> server_;
    FakeNotificationServer fake_;
};

TEST_F(DBusNotificationSinkTest, PostsEachNotificationWithItsFieldsEscapedOnlyForMarkupServers)
{
    start_server();
    DBusNotificationSink sink(*client_);
    TessaryNotificationService service(sink);
    QSignalSpy finished(&sink, &DBusNotificationSink::posting_finished);
    service.notify_build_time_exceeded(u"mysite"_s, 7.25, 0.41);
    ASSERT_TRUE(wait_until([&] { return !finished.isEmpty(); }));
    EXPECT_EQ(finished, QList<QVariantList>{{true}});
    ASSERT_EQ(fake_.calls.size(), 1u);
    const auto& first = fake_.calls[0];
    EXPECT_EQ(first.app_name, u"Tessary"_s);
    EXPECT_EQ(first.replaces_id, 0u);
    EXPECT_EQ(first.app_icon, u"tessary"_s);
    EXPECT_EQ(first.hints.value(u"desktop-entry"_s).toString(), u"tessary"_s);
    EXPECT_EQ(first.summary, u"Build time exceeded 5.0s"_s);
    EXPECT_EQ(first.body, u"mysite took 7.25s. The previous average is only 410ms."_s);
    EXPECT_TRUE(first.actions.isEmpty());
    EXPECT_EQ(first.expire_timeout, -1);
    EXPECT_EQ(first.hints.value(u"sound-name"_s).toString(), u"message-new-instant"_s);
    EXPECT_TRUE(first.hints.value(u"x-tessary-id"_s).toString().startsWith(u"build-time-"_s));

    // A body such as "a&b <c>" is markup to a server that reads it.
    for (const bool markup : {false, true}) {
        fake_.calls.clear();
        fake_.capabilities = {u"body"_s};
        if (markup)
            fake_.capabilities.append(u"body-markup"_s);
        NotificationRequest request{u"build-time-1"_s, u"title"_s, u"a&b <c> took 7.25s."_s, false,
                                    std::nullopt};
        EXPECT_EQ(post_and_wait(sink, request), true) << markup;
        ASSERT_EQ(fake_.calls.size(), 1u) << markup;
        EXPECT_EQ(fake_.calls[0].body,
                  markup ? u"a&amp;b &lt;c&gt; took 7.25s."_s : u"a&b <c> took 7.25s."_s);
        EXPECT_FALSE(fake_.calls[0].hints.contains(u"sound-name"_s)) << markup;
    }
}

TEST_F(DBusNotificationSinkTest, NoBusOrAMissingOrRefusingServiceIsIgnored)
{
    const NotificationRequest request{u"build-time-1"_s, u"title"_s, u"body"_s, true, std::nullopt};
    {
        const QDBusConnection nowhere = QDBusConnection::connectToBus(
            u"unix:path=/nonexistent/tessary-test-bus"_s, u"tessary-nowhere"_s);
        ASSERT_FALSE(nowhere.isConnected());
        DBusNotificationSink sink(nowhere);
        EXPECT_EQ(post_and_wait(sink, request), false) << "no bus";
    }
    QDBusConnection::disconnectFromBus(u"tessary-nowhere"_s);
    DBusNotificationSink sink(*client_);
    EXPECT_EQ(post_and_wait(sink, request), false) << "no service on the bus";
    start_server();
    fake_.behaviour = FakeNotificationServer::Behaviour::refuse;
    EXPECT_EQ(post_and_wait(sink, request), false) << "service refuses";
    EXPECT_EQ(fake_.calls.size(), 1u);
}

TEST_F(DBusNotificationSinkTest, PostingDoesNotWaitForTheService)
{
    start_server();
    fake_.behaviour = FakeNotificationServer::Behaviour::never_answer;
    DBusNotificationSink sink(*client_);
    QSignalSpy finished(&sink, &DBusNotificationSink::posting_finished);
    QElapsedTimer timer;
    timer.start();
    sink.post({u"build-time-1"_s, u"title"_s, u"body"_s, true, std::nullopt});
    // A blocking call would stall here until the bus gives up (25 s): the fake
    // answers on this very thread, so it could not even receive the call.
    EXPECT_LT(timer.elapsed(), 1000);
    ASSERT_TRUE(wait_until([&] { return fake_.calls.size() == 1; }));
    EXPECT_TRUE(finished.isEmpty());
}

TEST_F(DBusNotificationSinkTest, ClickingANotificationAboutADomainAnnouncesThatDomain)
{
    start_server();
    DBusNotificationSink sink(*client_);
    std::vector<QUuid> activated;
    QObject::connect(&sink, &DBusNotificationSink::domain_activated,
                     [&](const QUuid& id) { activated.push_back(id); });
    const QUuid first = QUuid::createUuid();
    const QUuid second = QUuid::createUuid();
    // The fake numbers notifications 1, 2, ... in the order they arrive.
    ASSERT_EQ(post_and_wait(sink, {u"domain-down-1"_s, u"t"_s, u"b"_s, true, first}), true);
    ASSERT_EQ(post_and_wait(sink, {u"build-time-1"_s, u"t"_s, u"b"_s, true, std::nullopt}), true);
    DBusNotificationSink unheard(*client_); // a monitor without a window
    ASSERT_EQ(post_and_wait(unheard, {u"domain-up-1"_s, u"t"_s, u"b"_s, true, first}), true);
    EXPECT_EQ(fake_.calls[0].actions, (QStringList{u"default"_s, u"Show in Tessary"_s}));
    EXPECT_TRUE(fake_.calls[1].actions.isEmpty());
    EXPECT_TRUE(fake_.calls[2].actions.isEmpty());

    // Signals arrive in order: by the time the last one is heard, the others were.
    send_from_server(u"ActionInvoked"_s, {2u, u"default"_s});
    send_from_server(u"ActionInvoked"_s, {1u, u"other"_s});
    send_from_server(u"ActionInvoked"_s, {7u, u"default"_s});
    send_from_server(u"ActionInvoked"_s, {1u, u"default"_s});
    ASSERT_TRUE(wait_until([&] { return !activated.empty(); }));
    EXPECT_EQ(activated, std::vector<QUuid>{first});

    // A closed notification is forgotten.
    send_from_server(u"NotificationClosed"_s, {1u, 2u});
    send_from_server(u"ActionInvoked"_s, {1u, u"default"_s});
    ASSERT_EQ(post_and_wait(sink, {u"domain-up-1"_s, u"t"_s, u"b"_s, true, second}), true);
    send_from_server(u"ActionInvoked"_s, {3u, u"default"_s}); // the unheard one
    send_from_server(u"ActionInvoked"_s, {4u, u"default"_s});
    ASSERT_TRUE(wait_until([&] { return activated.size() == 2; }));
    EXPECT_EQ(activated, (std::vector<QUuid>{first, second}));
}

} // namespace
