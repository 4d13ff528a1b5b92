#include "EventLoop.h"
#include "FakeHttpEngine.h"
#include "HttpRequests.h"
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
using Tickets = std::vector<ConnectionAdmission::Ticket>;
using Steady = std::chrono::steady_clock;

TEST(Admission, admits_in_order_up_to_the_limit_freed_by_a_ready_connection_an_end_or_the_hold)
{
    ConnectionAdmission line{2, milliseconds(100)};
    const Steady::time_point t0 = Steady::now();
    for (ConnectionAdmission::Ticket t = 1; t <= 6; ++t)
        line.enqueue(t);
    line.start_at_once(9, t0); // the probe counts without waiting
    EXPECT_EQ(line.admit(t0), (Tickets{1}));
    EXPECT_EQ(line.admit(t0), Tickets{});
    line.connected(9);
    EXPECT_EQ(line.admit(t0), Tickets{2});
    line.finished(1);
    line.finished(3); // cancelled while waiting: it leaves the line
    EXPECT_EQ(line.admit(t0), Tickets{4});
    // Late news about a ticket that no longer counts changes nothing.
    line.connected(9);
    line.finished(1);
    EXPECT_EQ(line.connecting(), 2);
    EXPECT_EQ(line.waiting(), 2u);

    // Still connecting after the hold, a transfer stops counting.
    EXPECT_EQ(line.next_expiry(), t0 + milliseconds(100));
    EXPECT_EQ(line.admit(t0 + milliseconds(99)), Tickets{});
    EXPECT_EQ(line.admit(t0 + milliseconds(100)), (Tickets{5, 6}));
    // Nobody waits: no reason to wake up for an expiry.
    EXPECT_FALSE(line.next_expiry());
}

class QueuedMeasurement : public testing::Test {
protected:
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }

    // Starts the measurement, answers the baseline probe at once and lets the
    // request wait in line for `queued_ms`; returns the instant it really starts.
    QDateTime start_after(qint64 queued_ms)
    {
        service.measure(QUrl(QStringLiteral("https://example.com/")), QString(),
                        [this](std::optional<DomainMeasurement> m) { results.append(m); });
        EXPECT_EQ(engine.count(), 1u); // the probe
        EXPECT_FALSE(engine.transfer(engine.id_of(0)).request.waits_for_admission);
        engine.begin(engine.id_of(0));
        HttpResult answer;
        answer.status = 204;
        engine.finish(engine.id_of(0), answer);
        EXPECT_TRUE(wait_until([&] { return engine.count() == 2; }));
        EXPECT_TRUE(engine.transfer(request()).request.waits_for_admission);
        clock.advance_by(queued_ms);
        const QDateTime really_started = clock.now();
        engine.begin(request());
        wait_for(5); // the start reaches the service's thread
        return really_started;
    }

    HttpEngine::TransferId request() const { return engine.id_of(1); }

    FakeHttpEngine engine;
    ManualClock clock;
    TessaryService service{engine, clock, QUrl(QStringLiteral("https://probe.test/generate_204"))};
    QList<std::optional<DomainMeasurement>> results;
};

TEST_F(QueuedMeasurement, waiting_in_line_counts_for_no_phase_and_measured_at_is_the_real_start)
{
    // Twenty seconds in line: longer than the watchdog, which must not have started.
    const QDateTime really_started = start_after(20'000);
    clock.advance_by(250);
    HttpResult answer;
    answer.status = 200;
    answer.times = {0.001, 0.002, 0.004, 0.0041, 0.2495, 0.25, true};
    engine.finish(request(), answer);
    ASSERT_TRUE(wait_until([&] { return !results.isEmpty(); }));
    ASSERT_TRUE(results.first());
    const DomainMeasurement& m = *results.first();
    EXPECT_FALSE(m.error_message) << m.error_message->toStdString();
    EXPECT_GE(m.measured_at, really_started.addMSecs(-50));
    EXPECT_LE(m.measured_at, really_started);
    EXPECT_DOUBLE_EQ(m.total_time, 0.25);
    EXPECT_DOUBLE_EQ(*m.dns_time, 0.001);
    EXPECT_DOUBLE_EQ(*m.ttfb_time, 0.2454);
}

TEST_F(QueuedMeasurement, the_watchdog_counts_from_the_real_start)
{
    L10n::set_selected_language(AppLanguage::english);
    const QDateTime really_started = start_after(30'000);
    EXPECT_TRUE(results.isEmpty()) << "timed out while waiting in line";
    clock.advance_by(14'900);
    wait_for(5);
    EXPECT_TRUE(results.isEmpty());
    clock.advance_by(200);
    ASSERT_TRUE(wait_until([&] { return !results.isEmpty(); }));
    const DomainMeasurement& m = *results.first();
    EXPECT_EQ(m.error_message, QStringLiteral("Request timed out after 15 seconds."));
    EXPECT_GE(m.measured_at, really_started.addMSecs(-50));
    EXPECT_TRUE(engine.transfer(request()).cancelled);
    // curl's own limit is the same 15 s.
    EXPECT_EQ(engine.transfer(request()).request.timeout, milliseconds(15'000));
}

// The probe's defaults, on a probe answered after `seconds` (none: never): a
// probe slower than 1.5 s marks a local network issue, one of 1.5 s does not;
// without an answer in 3 s the measurement is skipped.
TEST(ProbeDefaults, a_slow_probe_marks_a_local_issue_and_a_silent_one_skips_after_three_seconds)
{
    const std::pair<std::optional<double>, std::optional<bool>> cases[] = {
        {1.5, false}, {1.51, true}, {std::nullopt, std::nullopt}};
    for (const auto& [seconds, local_issue] : cases) {
        FakeHttpEngine engine;
        ManualClock clock;
        TessaryService service{engine, clock, QUrl(QStringLiteral("https://probe.test/"))};
        QList<std::optional<DomainMeasurement>> results;
        service.measure(QUrl(QStringLiteral("https://example.com/")), QString(),
                        [&](std::optional<DomainMeasurement> m) { results.append(m); });
        const HttpEngine::TransferId probe = engine.id_of(0);
        EXPECT_EQ(engine.transfer(probe).request.timeout, milliseconds(3'000));
        if (!seconds) {
            clock.advance_by(2'999);
            wait_for(5);
            EXPECT_TRUE(results.isEmpty());
            clock.advance_by(1);
            EXPECT_EQ(results, QList<std::optional<DomainMeasurement>>{std::nullopt});
            EXPECT_EQ(engine.count(), 1u);
            continue;
        }
        HttpResult answer;
        answer.status = 204;
        answer.times.total = *seconds;
        engine.finish(probe, answer);
        ASSERT_TRUE(wait_until([&] { return engine.count() == 2; }));
        answer.status = 200;
        engine.finish(engine.id_of(1), answer);
        ASSERT_TRUE(wait_until([&] { return !results.isEmpty(); }));
        EXPECT_EQ(results[0]->is_local_network_issue, *local_issue) << *seconds;
        EXPECT_EQ(results[0]->network_baseline_time, *seconds);
    }
}

// A CurlEngine with one connecting place, serving `server`.
CurlEngine one_place(const LocalHttpsServer& server, milliseconds hold)
{
    return CurlEngine(CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit(),
                                          .threads = 1,
                                          .connecting_limit = 1,
                                          .connecting_hold = hold});
}

TEST(CurlEngineAdmission, one_place_lets_one_transfer_connect_at_a_time)
{
    LocalHttpsServer server;
    ASSERT_TRUE(server.is_running());
    server.serve("/", ServedResponse::with_status(200, "ok"));
    CurlEngine engine = one_place(server, milliseconds(5000));
    constexpr std::size_t count = 8;
    std::mutex mutex;
    std::vector<std::pair<Steady::time_point, HttpResult>> observed;
    for (std::size_t i = 0; i < count; ++i) {
        auto started_at = std::make_shared<Steady::time_point>();
        engine.start(
            request_to(server.url(QStringLiteral("/"))),
            [&, started_at](HttpResult result) {
                std::lock_guard lock(mutex);
                observed.emplace_back(*started_at, std::move(result));
            },
            [started_at](Steady::time_point instant) { *started_at = instant; });
    }
    ASSERT_TRUE(wait_until([&] {
        std::lock_guard lock(mutex);
        return observed.size() == count;
    }));
    std::sort(observed.begin(), observed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t k = 0; k < count; ++k) {
        const auto& [started, result] = observed[k];
        ASSERT_FALSE(result.error) << result.error->toStdString();
        EXPECT_EQ(result.started, started);
        if (k == 0)
            continue;
        // The next one started only once the one before had its connection ready.
        const auto& [before, before_result] = observed[k - 1];
        const Steady::time_point ready =
            before + std::chrono::duration_cast<Steady::duration>(
                         std::chrono::duration<double>(before_result.times.pre_transfer));
        EXPECT_GE(started + milliseconds(1), ready) << k;
    }
}

TEST(CurlEngineAdmission, a_host_that_never_shakes_hands_keeps_others_waiting_only_for_the_hold)
{
    LocalHttpsServer server;
    ASSERT_TRUE(server.is_running());
    server.serve("/", ServedResponse::with_status(200, "ok"));
    // Accepts connections but never speaks TLS.
    LocalHttpsServer silent(LocalHttpsServer::Scheme::http);
    CurlEngine engine = one_place(server, milliseconds(200));
    std::atomic<bool> stuck_done{false};
    std::atomic<bool> other_done{false};
    engine.start(request_to(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(silent.port()))),
                 [&](HttpResult) { stuck_done = true; });
    const Steady::time_point asked = Steady::now();
    Steady::time_point finished;
    engine.start(request_to(server.url(QStringLiteral("/"))), [&](HttpResult result) {
        finished = Steady::now();
        EXPECT_FALSE(result.error);
        other_done = true;
    });
    ASSERT_TRUE(wait_until([&] { return other_done.load(); }, 6000));
    EXPECT_FALSE(stuck_done.load());
    EXPECT_GE(finished - asked, milliseconds(150));
}

} // namespace
