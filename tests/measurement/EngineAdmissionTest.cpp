#include "EventLoop.h"
#include "FakeHttpEngine.h"
#include "LocalHttpsServer.h"
#include "ManualClock.h"
#include "i18n/L10n.h"
#include "measurement/ConnectionAdmission.h"
#include "measurement/CurlEngine.h"
#include "measurement/TessaryService.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using std::chrono::milliseconds;
using Ticket = ConnectionAdmission::Ticket;
using Steady = std::chrono::steady_clock;

class Admission : public testing::Test {
protected:
    void enqueue(Ticket count)
    {
        for (Ticket t = 1; t <= count; ++t)
            line.enqueue(t);
    }

    ConnectionAdmission line{2, milliseconds(100)};
    Steady::time_point t0 = Steady::now();
};

TEST_F(Admission, admits_in_order_of_arrival_up_to_the_limit)
{
    enqueue(5);
    EXPECT_EQ(line.admit(t0), (std::vector<Ticket>{1, 2}));
    EXPECT_EQ(line.admit(t0), std::vector<Ticket>{});
    EXPECT_EQ(line.connecting(), 2);
    EXPECT_EQ(line.waiting(), 3u);
}

TEST_F(Admission, a_ready_connection_or_an_end_frees_a_place)
{
    enqueue(5);
    line.admit(t0);
    line.connected(1);
    EXPECT_EQ(line.admit(t0), std::vector<Ticket>{3});
    line.finished(2);
    line.finished(4); // cancelled while waiting: it leaves the line
    EXPECT_EQ(line.admit(t0), std::vector<Ticket>{5});
    EXPECT_EQ(line.waiting(), 0u);
    // Late news about a ticket that no longer counts changes nothing.
    line.connected(1);
    line.finished(1);
    EXPECT_EQ(line.connecting(), 2);
}

TEST_F(Admission, a_transfer_still_connecting_after_the_hold_stops_counting)
{
    enqueue(4);
    line.admit(t0);
    EXPECT_EQ(line.next_expiry(), t0 + milliseconds(100));
    EXPECT_EQ(line.admit(t0 + milliseconds(99)), std::vector<Ticket>{});
    EXPECT_EQ(line.admit(t0 + milliseconds(100)), (std::vector<Ticket>{3, 4}));
    // Nobody waits: no reason to wake up for an expiry.
    EXPECT_FALSE(line.next_expiry());
}

TEST_F(Admission, the_probe_counts_without_waiting)
{
    line.enqueue(1);
    line.start_at_once(9, t0);
    line.start_at_once(10, t0);
    EXPECT_EQ(line.connecting(), 2);
    EXPECT_EQ(line.admit(t0), std::vector<Ticket>{});
    line.connected(9);
    EXPECT_EQ(line.admit(t0), std::vector<Ticket>{1});
}

class QueuedMeasurement : public testing::Test {
protected:
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }

    // Starts the measurement and answers the baseline probe at once.
    void start_measuring()
    {
        service.measure(QUrl(QStringLiteral("https://example.com/")), QString(),
                        [this](std::optional<DomainMeasurement> m) { results.append(m); });
        ASSERT_EQ(engine.count(), 1u); // the probe
        const auto probe = engine.id_of(0);
        EXPECT_FALSE(engine.transfer(probe).request.waits_for_admission);
        engine.begin(probe);
        HttpResult answer;
        answer.status = 204;
        engine.finish(probe, answer);
        wait_until([&] { return engine.count() == 2; });
        ASSERT_EQ(engine.count(), 2u);
        EXPECT_TRUE(engine.transfer(engine.id_of(1)).request.waits_for_admission);
    }

    HttpEngine::TransferId request() const { return engine.id_of(1); }

    // After `queued_ms` in line the request really starts; returns that instant.
    QDateTime start_after(qint64 queued_ms)
    {
        clock.advance_by(queued_ms);
        const QDateTime really_started = clock.now();
        engine.begin(request());
        wait_for(5); // the start reaches the service's thread
        return really_started;
    }

    FakeHttpEngine engine;
    ManualClock clock;
    TessaryService service{engine, clock, QUrl(QStringLiteral("https://probe.test/generate_204"))};
    QList<std::optional<DomainMeasurement>> results;
};

HttpResult answered_after(double total)
{
    HttpResult result;
    result.status = 200;
    result.times = HttpTransferTimes{.name_lookup = 0.001,
                                     .connect = 0.002,
                                     .app_connect = 0.004,
                                     .pre_transfer = 0.0041,
                                     .start_transfer = total - 0.0005,
                                     .total = total,
                                     .new_connection = true};
    return result;
}

TEST_F(QueuedMeasurement, waiting_in_line_counts_for_no_phase_and_measured_at_is_the_real_start)
{
    start_measuring();
    // Twenty seconds in line: longer than the watchdog, which must not have started.
    const QDateTime really_started = start_after(20'000);
    clock.advance_by(250);
    engine.finish(request(), answered_after(0.25));
    ASSERT_TRUE(wait_until([&] { return !results.isEmpty(); }));

    ASSERT_TRUE(results.first());
    const DomainMeasurement& m = *results.first();
    EXPECT_FALSE(m.error_message) << m.error_message->toStdString();
    EXPECT_GE(m.measured_at, really_started.addMSecs(-50));
    EXPECT_LE(m.measured_at, really_started);
    EXPECT_DOUBLE_EQ(m.total_time, 0.25);
    EXPECT_DOUBLE_EQ(*m.dns_time, 0.001);
    EXPECT_DOUBLE_EQ(*m.connect_time, 0.001);
    EXPECT_DOUBLE_EQ(*m.ssl_time, 0.002);
    EXPECT_DOUBLE_EQ(*m.ttfb_time, 0.2454);
}

TEST_F(QueuedMeasurement, the_watchdog_counts_from_the_real_start)
{
    L10n::set_selected_language(AppLanguage::english);
    start_measuring();
    const QDateTime really_started = start_after(30'000);
    EXPECT_TRUE(results.isEmpty()) << "timed out while waiting in line";
    clock.advance_by(14'900);
    wait_for(5);
    EXPECT_TRUE(results.isEmpty());
    clock.advance_by(200);
    ASSERT_TRUE(wait_until([&] { return !results.isEmpty(); }));
    const DomainMeasurement& m = *results.first();
    EXPECT_EQ(m.error_message, QStringLiteral("Request timed out after 15 seconds."));
    EXPECT_LE(m.total_time, 15.0);
    EXPECT_GE(m.measured_at, really_started.addMSecs(-50));
    EXPECT_TRUE(engine.transfer(request()).cancelled);
}

struct Observed {
    Steady::time_point started;
    HttpResult result;
};

TEST(CurlEngineAdmission, one_place_lets_one_transfer_connect_at_a_time)
{
    LocalHttpsServer server;
    ASSERT_TRUE(server.is_running());
    server.serve("/", ServedResponse::with_status(200, "ok"));
    CurlEngine engine(CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit(),
                                          .threads = 1,
                                          .connecting_limit = 1,
                                          .connecting_hold = milliseconds(5000)});
    constexpr int count = 12;
    std::mutex mutex;
    std::vector<Observed> observed;
    for (int i = 0; i < count; ++i) {
        HttpRequest request;
        request.url = server.url(QStringLiteral("/"));
        auto started_at = std::make_shared<Steady::time_point>();
        engine.start(
            std::move(request),
            [&, started_at](HttpResult result) {
                std::lock_guard lock(mutex);
                observed.push_back({*started_at, std::move(result)});
            },
            [started_at](Steady::time_point instant) { *started_at = instant; });
    }
    ASSERT_TRUE(wait_until(
        [&] {
            std::lock_guard lock(mutex);
            return observed.size() == count;
        },
        10000));
    std::sort(observed.begin(), observed.end(),
              [](const Observed& a, const Observed& b) { return a.started < b.started; });
    for (std::size_t k = 0; k < observed.size(); ++k) {
        ASSERT_FALSE(observed[k].result.error) << observed[k].result.error->toStdString();
        EXPECT_EQ(observed[k].result.started, observed[k].started);
        if (k == 0)
            continue;
        // The next one started only once the one before had its connection ready.
        const Steady::time_point ready =
            observed[k - 1].started +
            std::chrono::duration_cast<Steady::duration>(
                std::chrono::duration<double>(observed[k - 1].result.times.pre_transfer));
        EXPECT_GE(observed[k].started + milliseconds(1), ready) << k;
    }
}

TEST(CurlEngineAdmission,
     a_host_that_never_shakes_hands_keeps_others_waiting_no_longer_than_the_hold)
{
    LocalHttpsServer server;
    ASSERT_TRUE(server.is_running());
    server.serve("/", ServedResponse::with_status(200, "ok"));
    // Accepts connections but never speaks TLS.
    LocalHttpsServer silent(LocalHttpsServer::Scheme::http);
    CurlEngine engine(CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit(),
                                          .threads = 1,
                                          .connecting_limit = 1,
                                          .connecting_hold = milliseconds(200)});
    std::atomic<bool> stuck_done{false};
    std::atomic<bool> other_done{false};
    HttpRequest stuck;
    stuck.url = QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(silent.port()));
    stuck.timeout = milliseconds(4000);
    engine.start(std::move(stuck), [&](HttpResult) { stuck_done = true; });
    HttpRequest other;
    other.url = server.url(QStringLiteral("/"));
    const Steady::time_point asked = Steady::now();
    Steady::time_point finished;
    engine.start(std::move(other), [&](HttpResult result) {
        finished = Steady::now();
        EXPECT_FALSE(result.error);
        other_done = true;
    });
    ASSERT_TRUE(wait_until([&] { return other_done.load(); }, 3000));
    EXPECT_FALSE(stuck_done.load());
    EXPECT_LT(finished - asked, milliseconds(2000));
    EXPECT_GE(finished - asked, milliseconds(150));
}

} // namespace
