#include "measurement/CurlEngine.h"

#include "EventLoopWait.h"
#include "LocalHttpsServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

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

    HttpResult wait_first()
    {
        EXPECT_TRUE(spin_until([this] { return count() > 0; }, 10000));
        std::lock_guard lock(mutex_);
        return results_.value(0);
    }

    QList<HttpResult> wait_for(int n)
    {
        EXPECT_TRUE(spin_until([this, n] { return count() >= n; }, 10000));
        std::lock_guard lock(mutex_);
        return results_;
    }

private:
    mutable std::mutex mutex_;
    QList<HttpResult> results_;
};

class CurlEngineTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.is_running()) << server.error().toStdString(); }

    HttpRequest get(const QString& path, const QString& host = QStringLiteral("127.0.0.1")) const
    {
        HttpRequest request;
        request.url = server.url(path, host);
        request.timeout = std::chrono::milliseconds(5000);
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

class StatusTest : public CurlEngineTest, public testing::WithParamInterface<int> {};

TEST_P(StatusTest, StatusArrivesWithoutError)
{
    server.serve("/status", ServedResponse::with_status(GetParam(), "body"));
    const HttpResult result = fetch(get(QStringLiteral("/status")));
    EXPECT_EQ(result.status, GetParam());
    EXPECT_FALSE(result.error) << result.error->toStdString();
    EXPECT_FALSE(result.redirect_url);
}

INSTANTIATE_TEST_SUITE_P(Codes, StatusTest, testing::Values(200, 204, 404, 500, 503));

TEST_F(CurlEngineTest, FreshTlsTransferReportsEveryPhaseInOrder)
{
    server.serve("/", ServedResponse::with_status(200, "hello"));
    const HttpResult result = fetch(get(QStringLiteral("/"), QStringLiteral("localhost")));
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
    server.serve("/headers", ServedResponse::with_status(200)
                                 .header("X-Cache", "HIT")
                                 .header("Server", "test")
                                 .header("x-cache", "MISS"));
    const HttpResult result = fetch(get(QStringLiteral("/headers")));
    const HttpHeaderList expected_start{
        {"X-Cache", "HIT"}, {"Server", "test"}, {"x-cache", "MISS"}};
    ASSERT_GE(result.headers.size(), 3);
    EXPECT_EQ(result.headers.mid(0, 3), expected_start);
}

TEST_F(CurlEngineTest, ControlCharactersCannotAddRequestHeaders)
{
    server.serve("/", ServedResponse::with_status(200));
    HttpRequest request = get(QStringLiteral("/"));
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

    EXPECT_TRUE(fetch(get(QStringLiteral("/body"))).body.isEmpty());

    HttpRequest kept = get(QStringLiteral("/body"));
    kept.body_limit = 2 * 1024 * 1024;
    const HttpResult whole = fetch(kept);
    EXPECT_EQ(whole.body, body);
    EXPECT_FALSE(whole.body_too_large);

    HttpRequest limited = get(QStringLiteral("/body"));
    limited.body_limit = 1000;
    const HttpResult refused = fetch(limited);
    EXPECT_TRUE(refused.body_too_large);
    EXPECT_TRUE(refused.error);
}

TEST_F(CurlEngineTest, RedirectLocationIsResolvedButNotFollowed)
{
    server.redirect("/from", "/to?x=1", 301);
    const HttpResult result = fetch(get(QStringLiteral("/from")));
    EXPECT_EQ(result.status, 301);
    ASSERT_TRUE(result.redirect_url);
    EXPECT_EQ(*result.redirect_url,
              server.url(QStringLiteral("/to")).resolved(QUrl(QStringLiteral("?x=1"))));
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(CurlEngineTest, RefusedPortIsAnErrorWithoutStatus)
{
    HttpRequest request;
    request.url =
        QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(LocalHttpsServer::refused_port()));
    const HttpResult result = fetch(request);
    EXPECT_FALSE(result.status);
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(result.error->contains(u"127.0.0.1")) << result.error->toStdString();
    EXPECT_EQ(result.times.connect, 0.0);
}

TEST_F(CurlEngineTest, UntrustedCertificateFailsWithCurlsWords)
{
    CurlEngine system_trust{CurlEngine::Options{}};
    server.serve("/", ServedResponse::with_status(200));
    Results results;
    system_trust.start(get(QStringLiteral("/")), results.sink());
    const HttpResult result = results.wait_first();
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(result.error->contains(u"certificate", Qt::CaseInsensitive))
        << result.error->toStdString();
    EXPECT_FALSE(result.status);
    EXPECT_FALSE(result.certificate_expires_at.isValid());
}

TEST_F(CurlEngineTest, OwnTimeOutEndsASilentServer)
{
    server.serve("/silent", ServedResponse::silent());
    HttpRequest request = get(QStringLiteral("/silent"));
    request.timeout = std::chrono::milliseconds(200);
    const HttpResult result = fetch(request);
    ASSERT_TRUE(result.error);
    EXPECT_TRUE(result.error->contains(u"timed out", Qt::CaseInsensitive))
        << result.error->toStdString();
    EXPECT_FALSE(result.status);
    EXPECT_GT(result.times.app_connect, 0.0);
    EXPECT_EQ(result.times.start_transfer, 0.0);
}

TEST_F(CurlEngineTest, CancelCompletesOnceAndClosesTheConnection)
{
    server.serve("/silent", ServedResponse::silent());
    Results results;
    const CurlEngine::TransferId id = engine.start(get(QStringLiteral("/silent")), results.sink());
    ASSERT_TRUE(spin_until([&] { return server.requests().size() == 1; }));
    engine.cancel(id);
    const HttpResult result = results.wait_first();
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(spin_until([&] { return server.open_connections() == 0; }));
    engine.cancel(id);
    spin_for(50);
    EXPECT_EQ(results.count(), 1);
    EXPECT_EQ(engine.transfers_in_flight(), 0);
}

TEST_F(CurlEngineTest, TransfersShareNoConnectionOutsideAGroup)
{
    server.serve("/", ServedResponse::with_status(200));
    fetch(get(QStringLiteral("/")));
    fetch(get(QStringLiteral("/")));
    EXPECT_EQ(server.connections_accepted(), 2);

    HttpRequest first = get(QStringLiteral("/"));
    first.connections = engine.new_connection_group();
    HttpRequest second = get(QStringLiteral("/"));
    second.connections = engine.new_connection_group();
    EXPECT_TRUE(fetch(first).times.new_connection);
    EXPECT_TRUE(fetch(second).times.new_connection);
    EXPECT_EQ(server.connections_accepted(), 4);
}

TEST_F(CurlEngineTest, TransfersOfAGroupReuseTheirConnection)
{
    server.serve("/", ServedResponse::with_status(200));
    const std::shared_ptr<CurlConnectionGroup> group = engine.new_connection_group();
    HttpRequest request = get(QStringLiteral("/"));
    request.connections = group;
    const HttpResult first = fetch(request);
    const HttpResult second = fetch(request);
    EXPECT_TRUE(first.times.new_connection);
    EXPECT_FALSE(second.times.new_connection);
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(server.connections_accepted(), 1);

    // Another host is another connection, even within the group.
    const HttpResult other = fetch([&] {
        HttpRequest r = get(QStringLiteral("/"), QStringLiteral("localhost"));
        r.connections = group;
        return r;
    }());
    EXPECT_TRUE(other.times.new_connection);
    EXPECT_EQ(server.connections_accepted(), 2);
}

TEST_F(CurlEngineTest, ReleasedGroupClosesItsConnections)
{
    server.serve("/", ServedResponse::with_status(200));
    HttpRequest request = get(QStringLiteral("/"));
    request.connections = engine.new_connection_group();
    fetch(request);
    EXPECT_EQ(server.open_connections(), 1);
    request.connections.reset();
    EXPECT_TRUE(spin_until([&] { return server.open_connections() == 0; }));
}

TEST_F(CurlEngineTest, ManyTransfersInFlightAllComplete)
{
    server.serve("/slow", ServedResponse::delayed(300));
    Results results;
    constexpr int count = 100;
    for (int i = 0; i < count; ++i)
        engine.start(get(QStringLiteral("/slow")), results.sink());
    const QList<HttpResult> all = results.wait_for(count);
    ASSERT_EQ(all.size(), count);
    for (const HttpResult& result : all)
        EXPECT_EQ(result.status, 200);
    EXPECT_EQ(server.connections_accepted(), count);
}

TEST_F(CurlEngineTest, StartsFromAnyThread)
{
    server.serve("/", ServedResponse::with_status(200));
    Results results;
    std::thread other([&] { engine.start(get(QStringLiteral("/")), results.sink()); });
    other.join();
    EXPECT_EQ(results.wait_first().status, 200);
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
