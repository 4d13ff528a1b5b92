#include "measurement/DBusNotificationSink.h"

#include "EventLoop.h"
#include "FakeNotificationServer.h"
#include "PrivateSessionBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

const QString path = u"/org/freedesktop/Notifications"_s;
const QString service_name = u"org.freedesktop.Notifications"_s;

// One private bus per test, a client connection to it, and optionally the fake
// notification daemon on a connection of its own.
class DBusNotificationSinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus_.address().isEmpty()) << bus_.error().toStdString();
        client_ = QDBusConnection::connectToBus(bus_.address(), u"client"_s);
        ASSERT_TRUE(client_->isConnected()) << client_->lastError().message().toStdString();
    }

    void TearDown() override
    {
        server_.reset();
        client_.reset();
        QDBusConnection::disconnectFromBus(u"server"_s);
        QDBusConnection::disconnectFromBus(u"client"_s);
    }

    void start_server()
    {
        server_ = QDBusConnection::connectToBus(bus_.address(), u"server"_s);
        ASSERT_TRUE(server_->registerObject(path, &fake_, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server_->registerService(service_name));
    }

    // Posts and waits for the sink to hear back; returns what it heard.
    static std::optional<bool> post_and_wait(DBusNotificationSink& sink,
                                             const NotificationRequest& request)
    {
        QSignalSpy finished(&sink, &DBusNotificationSink::posting_finished);
        sink.post(request);
        wait_until([&] { return !finished.isEmpty(); });
        return finished.isEmpty() ? std::nullopt : std::optional(finished[0][0].toBool());
    }

    // A signal of the notification daemon, as the desktop sends it on a click.
    void send_from_server(const QString& name, const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, service_name, name);
        signal.setArguments(arguments);
        ASSERT_TRUE(server_->send(signal));
    }

    PrivateSessionBus bus_;
    std::optional<QDBusConnection> client_;
    std::optional<QDBusConnection> server_;
    FakeNotificationServer fake_;
};

TEST_F(DBusNotificationSinkTest, PostsEachNotificationWithItsFieldsEscapedOnlyForMarkupServers)
{
    start_server();
    DBusNotificationSink sink(*client_);
    EXPECT_EQ(
        post_and_wait(sink, {u"build-time-1"_s, u"Slow build"_s, u"mysite took 7s."_s, true, {}}),
        true);
    ASSERT_EQ(fake_.calls.size(), 1u);
    const FakeNotificationServer::Call& first = fake_.calls[0];
    EXPECT_EQ(first.app_name, u"Tessary"_s);
    EXPECT_EQ(first.app_icon, u"tessary"_s);
    EXPECT_EQ(first.summary, u"Slow build"_s);
    EXPECT_EQ(first.body, u"mysite took 7s."_s);
    EXPECT_TRUE(first.actions.isEmpty());
    EXPECT_EQ(first.hints.value(u"sound-name"_s).toString(), u"message-new-instant"_s);

    // A body such as "a&b <c>" is markup to a server that reads it.
    for (const bool markup : {false, true}) {
        fake_.calls.clear();
        fake_.capabilities = {u"body"_s};
        if (markup)
            fake_.capabilities.append(u"body-markup"_s);
        EXPECT_EQ(post_and_wait(sink, {u"build-time-1"_s, u"title"_s, u"a&b <c>"_s, false, {}}),
                  true);
        ASSERT_EQ(fake_.calls.size(), 1u) << markup;
        EXPECT_EQ(fake_.calls[0].body, markup ? u"a&amp;b &lt;c&gt;"_s : u"a&b <c>"_s);
        EXPECT_FALSE(fake_.calls[0].hints.contains(u"sound-name"_s)) << markup;
    }
}

TEST_F(DBusNotificationSinkTest, NoBusOrAMissingOrRefusingServiceIsIgnoredPostingDoesNotWait)
{
    const NotificationRequest request{u"build-time-1"_s, u"title"_s, u"body"_s, true, {}};
    {
        DBusNotificationSink nowhere(QDBusConnection(u"nowhere"_s));
        EXPECT_EQ(post_and_wait(nowhere, request), false) << "no bus";
    }
    DBusNotificationSink sink(*client_);
    EXPECT_EQ(post_and_wait(sink, request), false) << "no service on the bus";
    start_server();
    fake_.behaviour = FakeNotificationServer::Behaviour::refuse;
    EXPECT_EQ(post_and_wait(sink, request), false) << "service refuses";
    EXPECT_EQ(fake_.calls.size(), 1u);

    fake_.behaviour = FakeNotificationServer::Behaviour::never_answer;
    QSignalSpy finished(&sink, &DBusNotificationSink::posting_finished);
    QElapsedTimer timer;
    timer.start();
    sink.post(request);
    // A blocking call would stall here until the bus gives up (25 s): the fake
    // answers on this very thread, so it could not even receive the call.
    EXPECT_LT(timer.elapsed(), 1000);
    ASSERT_TRUE(wait_until([&] { return fake_.calls.size() == 2; }));
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
    ASSERT_EQ(post_and_wait(sink, {u"domain-down-1"_s, u"t"_s, u"b"_s, true, first}), true);
    ASSERT_EQ(post_and_wait(sink, {u"build-time-1"_s, u"t"_s, u"b"_s, true, {}}), true);
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
