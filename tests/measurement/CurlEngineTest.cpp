#include "measurement/CurlEngine.h"

#include "EventLoop.h"
#include "LocalHttpsServer.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace {

// Collects completions, which arrive on the engine thread.
class Results {
public:
    CurlEngine::Completion sink()
    {
        return [this](HttpResult result) {
            std::lock_guard lock(mutex_);
            results_.append(std::move(result));
        };
    }

    int count() const
    {
        std::lock_guard lock(mutex_);
        return int(results_.size());
    }

    QList<HttpResult> wait_for(int n)
    {
        EXPECT_TRUE(wait_until([this, n] { return count() >= n; }));
        std::lock_guard lock(mutex_);
        return results_;
    }

    HttpResult wait_first() { return wait_for(1).value(0); }

private:
    mutable std::mutex mutex_;
    QList<HttpResult> results_;
};

class CurlEngineTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.is_running()) << server.error().toStdString(); }

    HttpRequest get(const char* path = "/", const char* host = "127.0.0.1",
                    std::shared_ptr<CurlConnectionGroup> group = nullptr) const
    {
        HttpRequest request;
        request.url = server.url(QString::fromLatin1(path), QString::fromLatin1(host));
        request.timeout = std::chrono::milliseconds(5000);
        request.connections = std::move(group);
        return request;
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

TEST_F(CurlEngineTest, FreshTlsTransferReportsEveryPhaseInOrder)
{
    server.serve("/", ServedResponse::with_status(200, "hello"));
    const HttpResult result = fetch(get("/", "localhost"));
    ASSERT_FALSE(result.error) << result.error->toStdString();
    const HttpTransferTimes& t = result.times;
    EXPECT_TRUE(t.new_connection);
    EXPECT_GT(t.name_lookup, 0.0);
    EXPECT_GT(t.connect, t.name_lookup);
    EXPECT_GT(t.app_connect, t.connect);
    EXPECT_GE(t.pre_transfer, t.app_connect);
    EXPECT_GT(t.start_transfer, t.pre_transfer);
    EXPECT_GE(t.total, t.start_transfer);
}

TEST_F(CurlEngineTest, KeepsTheHeadersOfTheResponseInOrder)
{
    server.serve("/", ServedResponse::with_status(200)
                          .header("X-Cache", "HIT")
                          .header("Server", "test")
                          .header("x-cache", "MISS"));
    const HttpResult result = fetch(get());
    const HttpHeaderList expected{{"X-Cache", "HIT"}, {"Server", "test"}, {"x-cache", "MISS"}};
    ASSERT_GE(result.headers.size(), 3);
    EXPECT_EQ(result.headers.mid(0, 3), expected);
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

TEST_F(CurlEngineTest, RedirectLocationIsResolvedButNotFollowed)
{
    server.redirect("/from", "/to?x=1", 301);
    const HttpResult result = fetch(get("/from"));
    EXPECT_EQ(result.status, 301);
    ASSERT_TRUE(result.redirect_url);
    EXPECT_EQ(*result.redirect_url,
              server.url(QStringLiteral("/to")).resolved(QUrl(QStringLiteral("?x=1"))));
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(CurlEngineTest, FailuresComeInCurlsWordsWithoutStatus)
{
    HttpRequest refused;
    refused.url =
        QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(LocalHttpsServer::refused_port()));
    const HttpResult not_connected = fetch(refused);
    EXPECT_FALSE(not_connected.status);
    ASSERT_TRUE(not_connected.error);
    EXPECT_TRUE(not_connected.error->contains(u"127.0.0.1")) << not_connected.error->toStdString();
    EXPECT_EQ(not_connected.times.connect, 0.0);

    server.serve("/", ServedResponse::with_status(200));
    CurlEngine system_trust{CurlEngine::Options{}};
    Results results;
    system_trust.start(get(), results.sink());
    const HttpResult untrusted = results.wait_first();
    ASSERT_TRUE(untrusted.error);
    EXPECT_TRUE(untrusted.error->contains(u"certificate", Qt::CaseInsensitive))
        << untrusted.error->toStdString();
    EXPECT_FALSE(untrusted.status);
    EXPECT_FALSE(untrusted.certificate_expires_at.isValid());
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
    EXPECT_EQ(results.count(), 1);
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
    const HttpResult second = fetch(get("/", "127.0.0.1", group));
    EXPECT_FALSE(second.times.new_connection);
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(server.connections_accepted(), 5);
    EXPECT_TRUE(fetch(get("/", "localhost", group)).times.new_connection);
    EXPECT_EQ(server.connections_accepted(), 6);
    // Only the group's two connections stay open, and only as long as the group.
    EXPECT_EQ(server.open_connections(), 2);
    group.reset();
    EXPECT_TRUE(wait_until([&] { return server.open_connections() == 0; }));
}

TEST_F(CurlEngineTest, ManyTransfersInFlightFromAnyThreadAllComplete)
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
    for (const HttpResult& result : all)
        EXPECT_EQ(result.status, 200);
    EXPECT_EQ(server.connections_accepted(), count);
}

struct CertificateCase {
    const char* name;
    std::chrono::seconds validity;
    bool handshake_succeeds;
};

class CertificateExpiryTest : public testing::TestWithParam<CertificateCase> {};

TEST_P(CertificateExpiryTest, ExpiryComesFromTheLeafCertificateOfTheHandshake)
{
    LocalHttpsServer site(GetParam().validity);
    ASSERT_TRUE(site.is_running()) << site.error().toStdString();
    site.serve("/", ServedResponse::with_status(200));
    CurlEngine engine{CurlEngine::Options{.ca_bundle = site.ca_file().toLocal8Bit()}};
    Results results;
    HttpRequest request;
    request.url = site.url(QStringLiteral("/"));
    engine.start(std::move(request), results.sink());
    const HttpResult result = results.wait_first();
    if (GetParam().handshake_succeeds) {
        ASSERT_FALSE(result.error) << result.error->toStdString();
        EXPECT_EQ(result.certificate_expires_at, site.certificate_expires_at());
        EXPECT_EQ(result.certificate_expires_at.timeSpec(), Qt::UTC);
    } else {
        EXPECT_TRUE(result.error);
        EXPECT_FALSE(result.certificate_expires_at.isValid());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Validities, CertificateExpiryTest,
    testing::Values(CertificateCase{"a_day", std::chrono::hours(24), true},
                    CertificateCase{"short_lived", std::chrono::seconds(90), true},
                    CertificateCase{"a_year", std::chrono::days(400), true},
                    CertificateCase{"expired", std::chrono::seconds(-60), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CurlEngineOptionsTest, CaBundleComesFromTheEnvironment)
{
    qputenv("TESSARY_CA_BUNDLE", "/tmp/some-ca.pem");
    EXPECT_EQ(CurlEngine::Options::from_environment().ca_bundle, QByteArray("/tmp/some-ca.pem"));
    qputenv("TESSARY_CA_BUNDLE", "");
    EXPECT_FALSE(CurlEngine::Options::from_environment().ca_bundle);
    qunsetenv("TESSARY_CA_BUNDLE");
    EXPECT_FALSE(CurlEngine::Options::from_environment().ca_bundle);
}

} // namespace
