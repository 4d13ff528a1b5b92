#include "measurement/TessaryService.h"

#include "EventLoopWait.h"
#include "LocalHttpsServer.h"
#include "ManualClock.h"
#include "i18n/L10n.h"
#include "measurement/EngineMeasurementSource.h"
#include "measurement/MeasurementBuilder.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::milliseconds;

class TessaryServiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.is_running()) << server.error().toStdString();
        server.serve("/generate_204", ServedResponse::with_status(204));
    }

    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }

    QUrl probe_url() const { return server.url(QStringLiteral("/generate_204")); }

    // Starts a measurement; results collect in `results`.
    std::unique_ptr<TessaryService> start(const QUrl& url, const QString& user_agent = QString(),
                                          Clock* clock = nullptr)
    {
        auto service =
            std::make_unique<TessaryService>(engine, clock ? *clock : manual, probe_url(), limits);
        service->measure(url, user_agent, [this](std::optional<DomainMeasurement> m) {
            results.append(std::move(m));
        });
        return service;
    }

    // One measurement, run to its end.
    std::optional<DomainMeasurement> measure(const QUrl& url, const QString& user_agent = QString())
    {
        const auto service = start(url, user_agent);
        EXPECT_TRUE(spin_until([&] { return !results.isEmpty(); }, 10000));
        spin_for(20);
        EXPECT_EQ(results.size(), 1);
        return results.value(0);
    }

    // Requests the server got for `path`, without the probe's.
    QList<ReceivedRequest> requests_for(const QByteArray& path) const
    {
        QList<ReceivedRequest> found;
        for (const ReceivedRequest& request : server.requests()) {
            if (request.target == path)
                found.append(request);
        }
        return found;
    }

    LocalHttpsServer server;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit()}};
    ManualClock manual;
    TessaryService::Limits limits;
    QList<std::optional<DomainMeasurement>> results;
};

TEST_F(TessaryServiceTest, SuccessfulRequestHasEveryPhaseAndItsXHeaders)
{
    server.serve("/page", ServedResponse::with_status(200, "<html></html>")
                              .header("X-Cache", "HIT")
                              .header("x-Served-By", "cache-ams")
                              .header("Server", "local")
                              .header("Cache-Control", "max-age=60"));
    const QUrl url = server.url(QStringLiteral("/page"), QStringLiteral("localhost"));
    const std::optional<DomainMeasurement> m = measure(url);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->url_string, url.toString(QUrl::FullyEncoded));
    EXPECT_EQ(m->http_status, 200);
    EXPECT_FALSE(m->error_message) << m->error_message->toStdString();
    ASSERT_TRUE(m->dns_time && m->connect_time && m->ssl_time && m->ttfb_time);
    EXPECT_GT(*m->ssl_time, 0.0);
    EXPECT_GT(*m->ttfb_time, 0.0);
    EXPECT_GE(m->total_time, *m->dns_time + *m->connect_time + *m->ssl_time + *m->ttfb_time);
    EXPECT_LT(m->total_time, 2.0);
    const QMap<QString, QString> expected{
        {QStringLiteral("x-cache"), QStringLiteral("HIT")},
        {QStringLiteral("x-served-by"), QStringLiteral("cache-ams")}};
    EXPECT_EQ(m->response_x_headers, expected);
    ASSERT_TRUE(m->network_baseline_time);
    EXPECT_LT(*m->network_baseline_time, 1.5);
    EXPECT_FALSE(m->is_local_network_issue);
    // The instant the request started, however late this thread heard of it.
    EXPECT_LE(m->measured_at, manual.now());
    EXPECT_GE(m->measured_at, manual.now().addSecs(-2));
    EXPECT_FALSE(m->id.isNull());
    EXPECT_EQ(m->certificate_expires_at, server.certificate_expires_at());
    EXPECT_TRUE(m->is_successful());
}

TEST_F(TessaryServiceTest, PlainUrlSentOnToHttpsKeepsTheCertificateOfTheSecureHop)
{
    LocalHttpsServer plain(LocalHttpsServer::Scheme::http);
    plain.redirect("/", server.url(QStringLiteral("/secure")).toEncoded(), 301);
    server.serve("/secure", ServedResponse::with_status(200));
    const std::optional<DomainMeasurement> m = measure(plain.url(QStringLiteral("/")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->http_status, 200);
    EXPECT_EQ(m->certificate_expires_at, server.certificate_expires_at());
}

TEST_F(TessaryServiceTest, SendsNoCacheAndTheTrimmedUserAgent)
{
    server.serve("/", ServedResponse::with_status(200));
    const std::pair<QString, QByteArray> cases[] = {
        {QString(), "Tessarybot"},
        {QStringLiteral(" \n\t "), "Tessarybot"},
        {QStringLiteral("  UptimeCheck/2.0 (+https://example.com)\n"),
         "UptimeCheck/2.0 (+https://example.com)"},
        {QStringLiteral("Agent\r\nX-Injected: 1"), "Agent  X-Injected: 1"},
    };
    for (const auto& [user_agent, sent] : cases) {
        results.clear();
        measure(server.url(QStringLiteral("/")), user_agent);
        const ReceivedRequest request = requests_for("/").last();
        EXPECT_EQ(request.header("user-agent"), sent);
        EXPECT_EQ(request.header("cache-control"), "no-cache");
        EXPECT_FALSE(request.has_header("x-injected"));
        EXPECT_FALSE(request.has_header("cookie"));
    }
}

TEST_F(TessaryServiceTest, NotFoundIsAMeasurementWithFullTimings)
{
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/missing")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->http_status, 404);
    EXPECT_FALSE(m->error_message);
    EXPECT_TRUE(m->dns_time && m->connect_time && m->ssl_time && m->ttfb_time);
    EXPECT_TRUE(m->is_failed());
}

TEST_F(TessaryServiceTest, SameHostRedirectReusesTheConnection)
{
    server.serve(
        "/old",
        ServedResponse::with_status(301).header("Location", "/new").header("X-Hop", "first"));
    server.serve("/new", ServedResponse::delayed(100).header("X-Final", "yes"));
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/old")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->http_status, 200);
    EXPECT_EQ(m->url_string, server.url(QStringLiteral("/old")).toString());
    // Only the delivered response's headers count.
    EXPECT_EQ(m->response_x_headers.keys(), QStringList{QStringLiteral("x-final")});
    ASSERT_TRUE(m->dns_time && m->connect_time && m->ssl_time && m->ttfb_time);
    // The first byte is that of the second hop, which waited 100 ms.
    EXPECT_GE(*m->ttfb_time, 0.1);
    EXPECT_GE(m->total_time, *m->ttfb_time);
    const QList<ReceivedRequest> old_requests = requests_for("/old");
    const QList<ReceivedRequest> new_requests = requests_for("/new");
    ASSERT_EQ(old_requests.size(), 1);
    ASSERT_EQ(new_requests.size(), 1);
    EXPECT_EQ(old_requests[0].connection, new_requests[0].connection);
}

TEST_F(TessaryServiceTest, CrossHostRedirectOpensASecondConnection)
{
    const QUrl target = server.url(QStringLiteral("/there"), QStringLiteral("localhost"));
    server.serve("/here", ServedResponse::with_status(302).header("Location", target.toEncoded()));
    server.serve("/there", ServedResponse::with_status(200).header("X-Host", "localhost"));
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/here")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->http_status, 200);
    EXPECT_EQ(m->response_x_headers.value(QStringLiteral("x-host")), QStringLiteral("localhost"));
    const QList<ReceivedRequest> here = requests_for("/here");
    const QList<ReceivedRequest> there = requests_for("/there");
    ASSERT_EQ(here.size(), 1);
    ASSERT_EQ(there.size(), 1);
    EXPECT_NE(here[0].connection, there[0].connection);
    EXPECT_EQ(there[0].header("host"), "localhost:" + QByteArray::number(server.port()));
}

TEST_F(TessaryServiceTest, EndlessRedirectsEndWithAClearError)
{
    limits.max_redirects = 3;
    server.serve("/loop", ServedResponse::with_status(302).header("Location", "/loop"));
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/loop")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->error_message, TessaryService::too_many_redirects_message(3));
    EXPECT_EQ(m->http_status, 302);
    EXPECT_EQ(requests_for("/loop").size(), 4);
    EXPECT_TRUE(m->is_failed());
}

TEST_F(TessaryServiceTest, RedirectWithoutLocationIsDelivered)
{
    server.serve("/moved", ServedResponse::with_status(302));
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/moved")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->http_status, 302);
    EXPECT_FALSE(m->error_message);
    EXPECT_TRUE(m->is_successful());
}

TEST_F(TessaryServiceTest, RedirectToAnotherSchemeIsRefused)
{
    server.serve("/file",
                 ServedResponse::with_status(302).header("Location", "file:///etc/passwd"));
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/file")));
    ASSERT_TRUE(m);
    ASSERT_TRUE(m->error_message);
    EXPECT_TRUE(m->is_failed());
}

TEST_F(TessaryServiceTest, SlowFirstByteShowsInTheTimeToFirstByte)
{
    server.serve("/slow", ServedResponse::delayed(300));
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/slow")));
    ASSERT_TRUE(m && m->ttfb_time);
    EXPECT_GE(*m->ttfb_time, 0.3);
    EXPECT_LT(*m->dns_time + *m->connect_time + *m->ssl_time, 0.3);
}

TEST_F(TessaryServiceTest, RefusedPortIsAFailedMeasurementInCurlsWords)
{
    const QUrl url(QStringLiteral("https://127.0.0.1:%1/").arg(LocalHttpsServer::refused_port()));
    const std::optional<DomainMeasurement> m = measure(url);
    ASSERT_TRUE(m);
    ASSERT_TRUE(m->error_message);
    EXPECT_TRUE(m->error_message->contains(u"Failed to connect"))
        << m->error_message->toStdString();
    EXPECT_FALSE(m->http_status);
    EXPECT_FALSE(m->ttfb_time);
    EXPECT_TRUE(m->is_failed());
}

TEST_F(TessaryServiceTest, PlainHttpHasConnectButNoTls)
{
    LocalHttpsServer plain(LocalHttpsServer::Scheme::http);
    plain.serve("/", ServedResponse::with_status(200));
    const std::optional<DomainMeasurement> m = measure(plain.url(QStringLiteral("/")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->http_status, 200);
    EXPECT_TRUE(m->connect_time);
    EXPECT_FALSE(m->ssl_time);
    EXPECT_TRUE(m->ttfb_time);
    EXPECT_FALSE(m->certificate_expires_at.isValid());
}

TEST_F(TessaryServiceTest, UnavailableProbeSkipsTheMeasurement)
{
    server.serve("/generate_204", ServedResponse::with_status(500));
    server.serve("/", ServedResponse::with_status(200));
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/")));
    EXPECT_FALSE(m);
    EXPECT_TRUE(requests_for("/").isEmpty());
}

TEST_F(TessaryServiceTest, SlowProbeMarksALocalNetworkIssue)
{
    limits.slow_probe_seconds = 0.2;
    server.serve("/generate_204", ServedResponse::delayed(300, 204));
    server.serve("/", ServedResponse::with_status(200));
    const std::optional<DomainMeasurement> m = measure(server.url(QStringLiteral("/")));
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->is_local_network_issue);
    ASSERT_TRUE(m->network_baseline_time);
    EXPECT_GE(*m->network_baseline_time, 0.3);
    EXPECT_FALSE(m->is_failed());
    EXPECT_FALSE(m->is_successful());
}

TEST_F(TessaryServiceTest, SilentProbeSkipsTheMeasurementAtTheProbeLimit)
{
    server.serve("/generate_204", ServedResponse::silent());
    const auto service = start(server.url(QStringLiteral("/")));
    ASSERT_TRUE(spin_until([&] { return server.requests().size() == 1; }));
    manual.advance_by(3000);
    ASSERT_TRUE(spin_until([&] { return !results.isEmpty(); }));
    EXPECT_FALSE(results[0]);
    EXPECT_TRUE(requests_for("/").isEmpty());
}

TEST_F(TessaryServiceTest, WatchdogFirstGivesOneTimedOutMeasurement)
{
    server.serve("/silent", ServedResponse::silent());
    const auto service = start(server.url(QStringLiteral("/silent")));
    ASSERT_TRUE(spin_until([&] { return requests_for("/silent").size() == 1; }));
    L10n::set_selected_language(AppLanguage::dutch);

    manual.advance_by(15000);
    ASSERT_EQ(results.size(), 1);
    const DomainMeasurement m = *results[0];
    EXPECT_EQ(m.error_message, QStringLiteral("Request afgebroken na 15 seconden."));
    EXPECT_FALSE(m.http_status);
    EXPECT_DOUBLE_EQ(m.total_time, 15.0);
    EXPECT_FALSE(m.ttfb_time);
    EXPECT_TRUE(m.is_failed());

    // The cancelled request ends too, and produces nothing more.
    EXPECT_TRUE(spin_until([&] { return server.open_connections() == 0; }));
    spin_for(50);
    EXPECT_EQ(results.size(), 1);
}

TEST_F(TessaryServiceTest, ClientTimeOutFirstGivesOneMeasurementInCurlsWords)
{
    limits.request_timeout = milliseconds(300);
    server.serve("/silent", ServedResponse::silent());
    const auto service = start(server.url(QStringLiteral("/silent")));
    ASSERT_TRUE(spin_until([&] { return !results.isEmpty(); }));
    const DomainMeasurement m = *results[0];
    ASSERT_TRUE(m.error_message);
    EXPECT_TRUE(m.error_message->contains(u"timed out")) << m.error_message->toStdString();
    EXPECT_NE(m.error_message, MeasurementBuilder::timed_out_message(15));
    EXPECT_FALSE(m.http_status);
    EXPECT_GE(m.total_time, 0.25);
    EXPECT_TRUE(m.ssl_time);

    // The watchdog was called off.
    EXPECT_EQ(manual.pending_count(), 0u);
    manual.advance_by(20000);
    spin_for(20);
    EXPECT_EQ(results.size(), 1);
}

TEST_F(TessaryServiceTest, WatchdogAndClientTimeOutRacingStillGiveOneMeasurement)
{
    limits.request_timeout = milliseconds(200);
    limits.watchdog = milliseconds(200);
    server.serve("/silent", ServedResponse::silent());
    const auto service = start(server.url(QStringLiteral("/silent")), QString(), &Clock::system());
    ASSERT_TRUE(spin_until([&] { return !results.isEmpty(); }));
    spin_for(300);
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(results[0]->error_message);
    EXPECT_LE(results[0]->total_time, 0.5);
}

TEST_F(TessaryServiceTest, ReleasedServiceNeverCallsBackAndStopsItsRequest)
{
    server.serve("/silent", ServedResponse::silent());
    {
        const auto service = start(server.url(QStringLiteral("/silent")));
        ASSERT_TRUE(spin_until([&] { return requests_for("/silent").size() == 1; }));
    }
    EXPECT_TRUE(spin_until([&] { return server.open_connections() == 0; }));
    manual.advance_by(20000);
    spin_for(20);
    EXPECT_TRUE(results.isEmpty());
}

TEST_F(TessaryServiceTest, MeasurementsShareNothing)
{
    server.serve("/", ServedResponse::with_status(200).header("Set-Cookie", "session=1"));
    measure(server.url(QStringLiteral("/")));
    results.clear();
    const std::optional<DomainMeasurement> second = measure(server.url(QStringLiteral("/")));
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->dns_time && second->connect_time && second->ssl_time);
    const QList<ReceivedRequest> requests = requests_for("/");
    ASSERT_EQ(requests.size(), 2);
    EXPECT_NE(requests[0].connection, requests[1].connection);
    EXPECT_FALSE(requests[1].has_header("cookie"));
}

TEST_F(TessaryServiceTest, EngineSourceDeliversOnTheCallingThread)
{
    server.serve("/", ServedResponse::with_status(200));
    EngineMeasurementSource source(engine, manual, probe_url(), limits);
    std::optional<DomainMeasurement> delivered;
    Qt::HANDLE delivered_on = nullptr;
    source.measure(server.url(QStringLiteral("/")).toString(), QStringLiteral("Bot"),
                   [&](std::optional<DomainMeasurement> m) {
                       delivered = std::move(m);
                       delivered_on = QThread::currentThreadId();
                   });
    EXPECT_EQ(source.measurements_in_flight(), 1);
    ASSERT_TRUE(spin_until([&] { return delivered.has_value(); }));
    EXPECT_EQ(delivered->http_status, 200);
    EXPECT_EQ(delivered_on, QThread::currentThreadId());
    EXPECT_EQ(source.measurements_in_flight(), 0);
}

TEST_F(TessaryServiceTest, EngineSourceProbesOnceForMeasurementsStartingTogether)
{
    server.serve("/", ServedResponse::with_status(200));
    EngineMeasurementSource source(engine, manual, probe_url(), limits);
    int delivered = 0;
    for (int i = 0; i < 3; ++i)
        source.measure(server.url(QStringLiteral("/")).toString(), QString(),
                       [&](std::optional<DomainMeasurement> m) { delivered += m ? 1 : 0; });
    ASSERT_TRUE(spin_until([&] { return delivered == 3; }));
    EXPECT_EQ(requests_for("/generate_204").size(), 1);
    EXPECT_EQ(requests_for("/").size(), 3);
}

TEST_F(TessaryServiceTest, EngineSourceGoneDropsItsMeasurements)
{
    server.serve("/silent", ServedResponse::silent());
    int calls = 0;
    {
        EngineMeasurementSource source(engine, manual, probe_url(), limits);
        source.measure(server.url(QStringLiteral("/silent")).toString(), QString(),
                       [&](std::optional<DomainMeasurement>) { ++calls; });
        ASSERT_TRUE(spin_until([&] { return requests_for("/silent").size() == 1; }));
    }
    manual.advance_by(20000);
    EXPECT_TRUE(spin_until([&] { return server.open_connections() == 0; }));
    EXPECT_EQ(calls, 0);
}

} // namespace
