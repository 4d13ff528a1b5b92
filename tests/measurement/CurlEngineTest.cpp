#include "measurement/CurlEngine.h"

#include "EventLoop.h"
#include "HttpRequests.h"
#include "LocalHttpsServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

namespace {

using namespace Qt::StringLiterals;

// Collects completions, which arrive on the engine thread.
struct Results {
    CurlEngine::Completion sink()
    {
        return [this](HttpResult result) {
            std::lock_guard lock(mutex);
            list.append(std::move(result));
        };
    }
    QList<HttpResult> wait_for(int n)
    {
        EXPECT_TRUE(wait_until([&] {
            std::lock_guard lock(mutex);
            return list.size() >= n;
        }));
        std::lock_guard lock(mutex);
        return list;
    }
    HttpResult wait_first() { return wait_for(1).value(0); }

    std::mutex mutex;
    QList<HttpResult> list;
};

class CurlEngineTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.is_running()) << server.error().toStdString(); }

    HttpRequest get(const char* path = "/", const char* host = "127.0.0.1",
                    std::shared_ptr<CurlConnectionGroup> group = nullptr) const
    {
        return request_to(server.url(QString::fromLatin1(path), QString::fromLatin1(host)),
                          std::move(group));
    }

    HttpResult fetch(HttpRequest request)
    {
        Results results;
        engine.start(std::move(request), results.sink());
        return results.wait_first();
    }

    LocalHttpsServer server;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit()}};
};

TEST_F(CurlEngineTest, KeepsTheHeadersOfTheResponseInOrder)
{
    server.serve("/", ServedResponse::with_status(200)
                          .header("X-Cache", "HIT")
                          .header("Server", "test")
                          .header("x-cache", "MISS"));
    const HttpHeaderList expected{{"X-Cache", "HIT"}, {"Server", "test"}, {"x-cache", "MISS"}};
    EXPECT_EQ(fetch(get()).headers.mid(0, 3), expected);
}

TEST_F(CurlEngineTest, ControlCharactersCannotAddRequestHeaders)
{
    server.serve("/", ServedResponse::with_status(200));
    HttpRequest request = get();
    request.headers = {{"User-Agent", "Agent\r\nX-Injected: yes"},
                       {"Bad Name", "dropped"},
                       {"Cache-Control", "no-cache"}};
    fetch(request);
    const QList<ReceivedRequest> received = server.requests();
    ASSERT_EQ(received.size(), 1);
    EXPECT_FALSE(received[0].has_header("X-Injected"));
    EXPECT_FALSE(received[0].has_header("Bad Name"));
    EXPECT_EQ(received[0].header("user-agent"), "Agent  X-Injected: yes");
    EXPECT_EQ(received[0].header("cache-control"), "no-cache");
}

TEST_F(CurlEngineTest, BodyIsDiscardedKeptOrRefusedByItsLimit)
{
    const QByteArray body(10000, 'b');
    server.serve_body("/body", body);
    EXPECT_TRUE(fetch(get("/body")).body.isEmpty());

    HttpRequest request = get("/body");
    request.body_limit = 2 * 1024 * 1024;
    const HttpResult whole = fetch(request);
    EXPECT_EQ(whole.body, body);
    EXPECT_FALSE(whole.body_too_large);

    request.body_limit = 1000;
    const HttpResult refused = fetch(request);
    EXPECT_TRUE(refused.body_too_large);
    EXPECT_TRUE(refused.error);
}

TEST_F(CurlEngineTest, FailuresComeInCurlsWordsWithoutStatus)
{
    const HttpResult not_connected =
        fetch(request_to(QUrl(u"https://127.0.0.1:%1/"_s.arg(LocalHttpsServer::refused_port()))));
    EXPECT_FALSE(not_connected.status);
    ASSERT_TRUE(not_connected.error);
    EXPECT_TRUE(not_connected.error->contains(u"127.0.0.1")) << not_connected.error->toStdString();

    server.serve("/", ServedResponse::with_status(200));
    CurlEngine system_trust{CurlEngine::Options{}};
    Results results;
    system_trust.start(get(), results.sink());
    const HttpResult untrusted = results.wait_first();
    ASSERT_TRUE(untrusted.error);
    EXPECT_TRUE(untrusted.error->contains(u"certificate", Qt::CaseInsensitive))
        << untrusted.error->toStdString();
    EXPECT_FALSE(untrusted.status);
}

TEST_F(CurlEngineTest, CancelCompletesOnceAndClosesTheConnection)
{
    server.serve("/silent", ServedResponse::silent());
    Results results;
    const CurlEngine::TransferId id = engine.start(get("/silent"), results.sink());
    ASSERT_TRUE(wait_until([&] { return server.requests().size() == 1; }));
    engine.cancel(id);
    EXPECT_TRUE(results.wait_first().cancelled);
    EXPECT_TRUE(wait_until([&] { return server.open_connections() == 0; }));
    engine.cancel(id);
    ::wait_for(50);
    EXPECT_EQ(results.wait_for(1).size(), 1);
    EXPECT_EQ(engine.transfers_in_flight(), 0);
}

TEST_F(CurlEngineTest, TransfersShareAConnectionOnlyWithinAGroupAndForOneHost)
{
    server.serve("/", ServedResponse::with_status(200));
    fetch(get());
    fetch(get());
    EXPECT_EQ(server.connections_accepted(), 2);
    EXPECT_TRUE(fetch(get("/", "127.0.0.1", engine.new_connection_group())).times.new_connection);
    EXPECT_TRUE(fetch(get("/", "127.0.0.1", engine.new_connection_group())).times.new_connection);
    EXPECT_EQ(server.connections_accepted(), 4);

    std::shared_ptr<CurlConnectionGroup> group = engine.new_connection_group();
    EXPECT_TRUE(fetch(get("/", "127.0.0.1", group)).times.new_connection);
    EXPECT_FALSE(fetch(get("/", "127.0.0.1", group)).times.new_connection);
    EXPECT_EQ(server.connections_accepted(), 5);
    EXPECT_TRUE(fetch(get("/", "localhost", group)).times.new_connection);
    EXPECT_EQ(server.connections_accepted(), 6);
    // Only the group's two connections stay open, and only as long as the group.
    EXPECT_EQ(server.open_connections(), 2);
    group.reset();
    EXPECT_TRUE(wait_until([&] { return server.open_connections() == 0; }));
}

TEST_F(CurlEngineTest, ManyTransfersStartedFromTwoThreadsAllComplete)
{
    server.serve("/slow", ServedResponse::delayed(300));
    Results results;
    constexpr int count = 100;
    std::thread other([&] {
        for (int i = 0; i < count / 2; ++i)
            engine.start(get("/slow"), results.sink());
    });
    for (int i = 0; i < count / 2; ++i)
        engine.start(get("/slow"), results.sink());
    other.join();
    const QList<HttpResult> all = results.wait_for(count);
    ASSERT_EQ(all.size(), count);
    EXPECT_TRUE(std::all_of(all.cbegin(), all.cend(),
                            [](const HttpResult& result) { return result.status == 200; }));
    EXPECT_EQ(server.connections_accepted(), count);
}

TEST(CertificateExpiryTest, ExpiredCertificateFailsTheHandshakeWithoutExpiry)
{
    LocalHttpsServer site(std::chrono::seconds(-60));
    ASSERT_TRUE(site.is_running()) << site.error().toStdString();
    site.serve("/", ServedResponse::with_status(200));
    CurlEngine engine{CurlEngine::Options{.ca_bundle = site.ca_file().toLocal8Bit()}};
    Results results;
    engine.start(request_to(site.url(QStringLiteral("/"))), results.sink());
    const HttpResult result = results.wait_first();
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(result.error->contains(u"certificate has expired", Qt::CaseInsensitive))
        << result.error->toStdString();
    EXPECT_FALSE(result.certificate_expires_at.isValid());
}

} // namespace
