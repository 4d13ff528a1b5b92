#include "measurement/TessaryService.h"

#include "EventLoop.h"
#include "LocalHttpsServer.h"
#include "ManualClock.h"
#include "i18n/L10n.h"
#include "measurement/EngineMeasurementSource.h"
#include "measurement/MeasurementBuilder.h"

#include <QThread>

#include <gtest/gtest.h>

namespace {

using std::chrono::milliseconds;
using Result = std::optional<DomainMeasurement>;

class TessaryServiceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.is_running()) << server.error().toStdString();
        server.serve("/generate_204", ServedResponse::with_status(204));
    }

    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }

    QUrl url(const char* path) const { return server.url(QString::fromLatin1(path)); }

    // Starts a measurement; results collect in `results`.
    std::unique_ptr<TessaryService> start(const QUrl& url)
    {
        auto service = std::make_unique<TessaryService>(engine, manual, probe(), limits);
        service->measure(url, QString(), [this](Result m) { results.append(std::move(m)); });
        return service;
    }
    QUrl probe() const { return url("/generate_204"); }

    // One measurement, run to its end.
    Result measure(const QUrl& url)
    {
        results.clear();
        const auto service = start(url);
        EXPECT_TRUE(wait_until([&] { return !results.isEmpty(); }));
        wait_for(20);
        EXPECT_EQ(results.size(), 1);
        return results.value(0);
    }

    LocalHttpsServer server;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit()}};
    ManualClock manual;
    TessaryService::Limits limits;
    QList<Result> results;
};

TEST_F(TessaryServiceTest, SuccessfulRequestHasEveryPhaseAndItsXHeaders)
{
    server.serve("/page", ServedResponse::with_status(200, "<html></html>")
                              .header("X-Cache", "HIT")
                              .header("Set-Cookie", "session=1"));
    const QUrl page = server.url(QStringLiteral("/page"), QStringLiteral("localhost"));
    const Result m = measure(page);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->url_string, page.toString(QUrl::FullyEncoded));
    EXPECT_EQ(m->http_status, 200);
    ASSERT_TRUE(m->dns_time && m->connect_time && m->ssl_time && m->ttfb_time);
    EXPECT_GT(*m->ssl_time, 0.0);
    EXPECT_GT(*m->ttfb_time, 0.0);
    EXPECT_GE(m->total_time, *m->dns_time + *m->connect_time + *m->ssl_time + *m->ttfb_time);
    EXPECT_EQ(m->response_x_headers.keys(), QStringList{QStringLiteral("x-cache")});
    EXPECT_TRUE(m->network_baseline_time);
    EXPECT_FALSE(m->id.isNull());
    EXPECT_EQ(m->certificate_expires_at, server.certificate_expires_at());
    EXPECT_TRUE(m->is_successful());

    // The next measurement shares no connection and no cookie with this one.
    EXPECT_TRUE(measure(page)->ssl_time);
    const QList<ReceivedRequest> requests = server.requests_for("/page");
    ASSERT_EQ(requests.size(), 2);
    EXPECT_NE(requests[0].connection, requests[1].connection);
    EXPECT_FALSE(requests[1].has_header("cookie"));
    EXPECT_EQ(requests[1].header("user-agent"), "Tessarybot");
    EXPECT_EQ(requests[1].header("cache-control"), "no-cache");
}

TEST_F(TessaryServiceTest, EachAnswerGivesItsStatusErrorAndVerdict)
{
    server.serve("/final", ServedResponse::with_status(200));
    const auto redirect = [](int status, const char* location) {
        return ServedResponse::with_status(status).header("Location", location);
    };
    const std::tuple<const char*, ServedResponse, std::optional<int>, bool> cases[] = {
        {"not found", ServedResponse::with_status(404), 404, false},
        {"see other is followed", redirect(303, "/final"), 200, true},
        {"permanent redirect is followed", redirect(308, "/final"), 200, true},
        {"redirect without location is delivered", ServedResponse::with_status(302), 302, true},
        {"other scheme refused", redirect(302, "file:///etc/passwd"), std::nullopt, false},
    };
    for (const auto& [name, response, status, successful] : cases) {
        SCOPED_TRACE(name);
        server.serve("/answer", response);
        const Result m = measure(url("/answer"));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->http_status, status);
        EXPECT_EQ(m->error_message.has_value(), !status);
        EXPECT_EQ(m->is_successful(), successful);
        EXPECT_EQ(m->is_failed(), !successful);
    }
}

TEST_F(TessaryServiceTest, RedirectReusesTheConnectionOnlyOnTheSameHostAndTimesTheLastFirstByte)
{
    const QUrl elsewhere = server.url(QStringLiteral("/there"), QStringLiteral("localhost"));
    server.serve(
        "/old",
        ServedResponse::with_status(301).header("Location", "/new").header("X-Hop", "first"));
    server.serve("/new", ServedResponse::delayed(100).header("X-Final", "yes"));
    server.serve("/here",
                 ServedResponse::with_status(302).header("Location", elsewhere.toEncoded()));
    server.serve("/there", ServedResponse::with_status(200));
    const Result m = measure(url("/old"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->http_status, 200);
    EXPECT_EQ(m->url_string, url("/old").toString());
    // Only the delivered response's headers count.
    EXPECT_EQ(m->response_x_headers.keys(), QStringList{QStringLiteral("x-final")});
    ASSERT_TRUE(m->ttfb_time);
    EXPECT_GE(*m->ttfb_time, 0.1);
    EXPECT_EQ(measure(url("/here"))->http_status, 200);

    const auto only = [&](const char* path) {
        const QList<ReceivedRequest> found = server.requests_for(path);
        EXPECT_EQ(found.size(), 1) << path;
        return found.value(0);
    };
    EXPECT_EQ(only("/old").connection, only("/new").connection);
    EXPECT_NE(only("/here").connection, only("/there").connection);
    EXPECT_EQ(only("/there").header("host"), "localhost:" + QByteArray::number(server.port()));
}

TEST_F(TessaryServiceTest, EndlessRedirectsEndWithAClearError)
{
    limits.max_redirects = 3;
    server.serve("/loop", ServedResponse::with_status(302).header("Location", "/loop"));
    const Result m = measure(url("/loop"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->error_message, TessaryService::too_many_redirects_message(3));
    EXPECT_EQ(m->http_status, 302);
    EXPECT_EQ(server.requests_for("/loop").size(), 4);
    EXPECT_TRUE(m->is_failed());
}

TEST_F(TessaryServiceTest, PlainHttpHasNoTlsUnlessSentOnToHttps)
{
    LocalHttpsServer plain(LocalHttpsServer::Scheme::http);
    plain.serve("/", ServedResponse::with_status(200));
    plain.redirect("/secure", url("/secure").toEncoded(), 301);
    server.serve("/secure", ServedResponse::with_status(200));
    const Result m = measure(plain.url(QStringLiteral("/")));
    ASSERT_TRUE(m && m->connect_time && m->ttfb_time);
    EXPECT_FALSE(m->ssl_time);
    EXPECT_FALSE(m->certificate_expires_at.isValid());
    // The certificate is that of the secure hop.
    const Result sent_on = measure(plain.url(QStringLiteral("/secure")));
    ASSERT_TRUE(sent_on);
    EXPECT_EQ(sent_on->certificate_expires_at, server.certificate_expires_at());
}

TEST_F(TessaryServiceTest, UnavailableProbeSkipsTheMeasurementASlowOneMarksALocalIssue)
{
    server.serve("/", ServedResponse::with_status(200));
    server.serve("/generate_204", ServedResponse::with_status(500));
    EXPECT_FALSE(measure(url("/")));
    EXPECT_TRUE(server.requests_for("/").isEmpty());

    limits.slow_probe_seconds = 0.2;
    server.serve("/generate_204", ServedResponse::delayed(300, 204));
    const Result m = measure(url("/"));
    ASSERT_TRUE(m);
    EXPECT_TRUE(m->is_local_network_issue);
    EXPECT_GE(m->network_baseline_time.value_or(0), 0.3);
    EXPECT_FALSE(m->is_failed());
    EXPECT_FALSE(m->is_successful());
}

TEST_F(TessaryServiceTest, WatchdogFirstGivesOneTimedOutMeasurement)
{
    server.serve("/silent", ServedResponse::silent());
    const auto service = start(url("/silent"));
    // Sent, and the watchdog armed by the news of its start.
    ASSERT_TRUE(wait_until(
        [&] { return server.requests_for("/silent").size() == 1 && manual.pending_count() == 1; }));
    L10n::set_selected_language(AppLanguage::dutch);

    manual.advance_by(15000);
    ASSERT_EQ(results.size(), 1);
    const DomainMeasurement m = *results[0];
    EXPECT_EQ(m.error_message, QStringLiteral("Request afgebroken na 15 seconden."));
    EXPECT_FALSE(m.http_status);
    EXPECT_DOUBLE_EQ(m.total_time, 15.0);
    EXPECT_TRUE(m.is_failed());

    // The cancelled request ends too, and produces nothing more.
    EXPECT_TRUE(wait_until([&] { return server.open_connections() == 0; }));
    wait_for(50);
    EXPECT_EQ(results.size(), 1);
}

TEST_F(TessaryServiceTest, ClientTimeOutFirstGivesOneMeasurementInCurlsWords)
{
    limits.request_timeout = milliseconds(300);
    server.serve("/silent", ServedResponse::silent());
    const auto service = start(url("/silent"));
    ASSERT_TRUE(wait_until([&] { return !results.isEmpty(); }));
    const DomainMeasurement m = *results[0];
    EXPECT_TRUE(m.error_message.value_or(QString()).contains(u"timed out"));
    EXPECT_NE(m.error_message, MeasurementBuilder::timed_out_message(15));
    EXPECT_GE(m.total_time, 0.25);
    EXPECT_TRUE(m.ssl_time);
    EXPECT_FALSE(m.ttfb_time);

    // The watchdog was called off.
    EXPECT_EQ(manual.pending_count(), 0u);
    manual.advance_by(20000);
    wait_for(20);
    EXPECT_EQ(results.size(), 1);
}

TEST_F(TessaryServiceTest, ReleasedServiceOrSourceNeverCallsBackAndStopsItsRequest)
{
    server.serve("/silent", ServedResponse::silent());
    int calls = 0;
    {
        const auto service = start(url("/silent"));
        EngineMeasurementSource source(engine, manual, probe(), limits);
        source.measure(url("/silent").toString(), QString(), [&](Result) { ++calls; });
        ASSERT_TRUE(wait_until([&] { return server.requests_for("/silent").size() == 2; }));
    }
    EXPECT_TRUE(wait_until([&] { return server.open_connections() == 0; }));
    manual.advance_by(20000);
    wait_for(20);
    EXPECT_TRUE(results.isEmpty());
    EXPECT_EQ(calls, 0);
}

TEST_F(TessaryServiceTest,
       EngineSourceDeliversOnTheCallingThreadProbingOnceForThoseStartingTogether)
{
    server.serve("/", ServedResponse::with_status(200));
    EngineMeasurementSource source(engine, manual, probe(), limits);
    int delivered = 0;
    for (int i = 0; i < 3; ++i) {
        source.measure(url("/").toString(), QString(), [&](Result m) {
            EXPECT_EQ(m->http_status, 200);
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            ++delivered;
        });
    }
    EXPECT_EQ(source.measurements_in_flight(), 3);
    ASSERT_TRUE(wait_until([&] { return delivered == 3; }));
    EXPECT_EQ(source.measurements_in_flight(), 0);
    EXPECT_EQ(server.requests_for("/generate_204").size(), 1);
    EXPECT_EQ(server.requests_for("/").size(), 3);
}

} // namespace
