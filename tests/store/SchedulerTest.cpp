#include "DataFolder.h"
#include "StoreTestEnvironment.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/MonitoringSchedule.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

class Scheduler : public ::testing::Test {
protected:
    void open()
    {
        auto opened = TessaryStore::open(services.environment(folder.path()));
        ASSERT_TRUE(opened);
        store = std::move(opened).value();
    }

    // Adds an active domain, which is measured at once.
    QUuid add(const QString& url, int interval = 60, bool notifies = false)
    {
        EXPECT_FALSE(store->add_domain(url, interval, 48, QString(), true, notifies));
        return *store->selected_domain_id();
    }

    const MonitoredDomain& domain(const QUuid& id) const
    {
        for (const MonitoredDomain& d : store->domains()) {
            if (d.id == id)
                return d;
        }
        throw std::runtime_error("no such domain");
    }

    void advance(qint64 ms) { clock.advance_by(ms); }

    DataFolder folder;
    StoreTestEnvironment services;
    ManualClock& clock = services.clock;
    FakeMeasurementSource& source = services.measurements;
    std::unique_ptr<TessaryStore> store;
};

TEST_F(Scheduler, a_new_domain_is_measured_once_at_once_then_every_interval)
{
    open();
    const QUuid id = add(QStringLiteral("example.com"));
    advance(0);
    ASSERT_EQ(source.pending_count(), 1u);
    EXPECT_EQ(source.next().url_string, QStringLiteral("https://example.com"));
    EXPECT_EQ(source.next().user_agent, QStringLiteral("Tessarybot"));
    EXPECT_TRUE(store->running_domain_ids().contains(id));

    advance(1'000);
    source.complete_with(0.2);
    EXPECT_FALSE(store->running_domain_ids().contains(id));
    EXPECT_EQ(domain(id).measurements.size(), 1);
    const QDateTime first = domain(id).measurements.first().measured_at;
    EXPECT_EQ(store->next_measurement_date(id), first.addSecs(60));

    clock.advance_to(first.addMSecs(59'999));
    EXPECT_EQ(source.pending_count(), 0u);
    advance(1);
    EXPECT_EQ(source.pending_count(), 1u);
    EXPECT_EQ(source.started_count(), 2);
}

TEST_F(Scheduler, after_a_restart_the_interval_counts_from_the_newest_measurement)
{
    MonitoredDomain d;
    d.id = QUuid::createUuid();
    d.url_string = QStringLiteral("https://example.com");
    d.interval_seconds = 60;
    DomainMeasurement newest;
    newest.id = QUuid::createUuid();
    newest.measured_at = clock.now().addSecs(-30);
    newest.total_time = 0.3;
    newest.http_status = 200;
    folder.write(QStringLiteral("domains.json"), DomainJson::encode_list({d}));
    folder.write(QStringLiteral("measurement_history.json"),
                 HistoryJson::encode({{d.id, {newest}}}));

    open();
    advance(29'999);
    EXPECT_EQ(source.started_count(), 0);
    advance(1);
    EXPECT_EQ(source.started_count(), 1);
}

TEST_F(Scheduler, failures_back_off_and_a_success_restores_the_interval)
{
    open();
    const QUuid id = add(QStringLiteral("example.com"), 30);
    advance(0);
    // Failures at 60, 120, 240, 480 and 900 s apart, the last one capped.
    for (const qint64 wait_s : {60, 120, 240, 480, 900, 900}) {
        ASSERT_EQ(source.pending_count(), 1u);
        source.complete_with(15.0, std::nullopt, QStringLiteral("timed out"));
        advance(wait_s * 1000 - 1);
        EXPECT_EQ(source.pending_count(), 0u) << wait_s;
        advance(1);
    }
    ASSERT_EQ(source.pending_count(), 1u);
    source.complete_with(0.2);
    advance(30'000);
    EXPECT_EQ(source.pending_count(), 1u);
    EXPECT_EQ(domain(id).statistics.failure_count, 6);
}

TEST_F(Scheduler, an_attempt_without_a_measurement_is_retried_after_five_seconds)
{
    open();
    add(QStringLiteral("example.com"));
    advance(0);
    source.complete(std::nullopt); // the probe found no usable network
    advance(4'999);
    EXPECT_EQ(source.pending_count(), 0u);
    advance(1);
    EXPECT_EQ(source.pending_count(), 1u);
}

TEST_F(Scheduler, no_request_while_the_network_is_down_and_none_once_the_domain_is_archived)
{
    open();
    services.report_network(false);
    const QUuid id = add(QStringLiteral("example.com"));
    advance(60'000);
    EXPECT_EQ(source.started_count(), 0);
    EXPECT_TRUE(store->running_domain_ids().contains(id));

    services.report_network(true);
    advance(1'999);
    EXPECT_EQ(source.started_count(), 0);
    advance(1);
    EXPECT_EQ(source.started_count(), 1);

    source.complete_with(0.2);
    services.report_network(false);
    advance(60'000);
    EXPECT_TRUE(store->running_domain_ids().contains(id));
    store->archive_domain(id);
    EXPECT_FALSE(store->running_domain_ids().contains(id));
    EXPECT_EQ(services.network.parked_count(), 0u);
    services.report_network(true);
    advance(600'000);
    EXPECT_EQ(source.started_count(), 1);
}

TEST_F(Scheduler, a_result_after_archiving_is_kept_and_after_removal_dropped)
{
    open();
    const QUuid kept = add(QStringLiteral("kept.example"));
    const QUuid dropped = add(QStringLiteral("dropped.example"));
    advance(0);
    ASSERT_EQ(source.pending_count(), 2u);

    store->archive_domain(kept);
    store->remove_domain(dropped);
    source.complete_with(0.4);
    source.complete_with(0.5);

    EXPECT_EQ(domain(kept).measurements.size(), 1);
    EXPECT_EQ(store->domains().size(), 1);
    EXPECT_TRUE(store->running_domain_ids().isEmpty());
    EXPECT_FALSE(store->has_monitoring_task(kept));
}

TEST_F(Scheduler, measure_now_during_a_scheduled_measurement_adds_nothing)
{
    open();
    const QUuid id = add(QStringLiteral("example.com"));
    advance(0);
    store->measure_now(id);
    advance(10'000);
    EXPECT_EQ(source.started_count(), 1);
    source.complete_with(0.2);
    EXPECT_EQ(domain(id).measurements.size(), 1);

    store->measure_now(id);
    EXPECT_EQ(source.started_count(), 2);
}

TEST_F(Scheduler, an_inactive_domain_has_no_schedule_but_can_be_measured_on_demand)
{
    open();
    ASSERT_FALSE(store->add_domain(QStringLiteral("paused.example"), 60, 48, {}, false, false));
    const QUuid id = *store->selected_domain_id();
    advance(600'000);
    EXPECT_EQ(source.started_count(), 0);
    EXPECT_FALSE(store->has_monitoring_task(id));
    EXPECT_FALSE(store->next_measurement_date(id));

    store->measure_now(id);
    source.complete_with(0.3);
    advance(600'000);
    EXPECT_EQ(source.started_count(), 1);
    EXPECT_EQ(domain(id).measurements.size(), 1);
}

TEST_F(Scheduler, an_unparseable_address_never_measures)
{
    MonitoredDomain d;
    d.id = QUuid::createUuid();
    d.url_string = QStringLiteral("https://exa mple.com");
    d.interval_seconds = 60;
    folder.write(QStringLiteral("domains.json"), DomainJson::encode_list({d}));
    open();
    advance(3'600'000);
    EXPECT_EQ(source.started_count(), 0);
    EXPECT_TRUE(store->running_domain_ids().isEmpty());
}

TEST_F(Scheduler, recorded_measurements_share_repeated_texts)
{
    open();
    const QUuid id = add(QStringLiteral("example.com"));
    for (int i = 0; i < 2; ++i) {
        advance(i == 0 ? 0 : 60'000);
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = clock.now();
        m.url_string = QStringLiteral("https://example.com"); // a copy of its own
        m.total_time = 0.2;
        m.http_status = 200;
        m.response_x_headers.insert(QStringLiteral("x-cache"), QStringLiteral("HIT"));
        source.complete(m);
    }
    const QList<DomainMeasurement>& list = domain(id).measurements;
    ASSERT_EQ(list.size(), 2);
    EXPECT_TRUE(list[0].response_x_headers.isSharedWith(list[1].response_x_headers));
    EXPECT_TRUE(list[0].url_string->isSharedWith(domain(id).url_string));
}

TEST_F(Scheduler, a_day_of_one_minute_intervals_runs_in_milliseconds)
{
    open();
    const QUuid id = add(QStringLiteral("example.com"));
    for (int step = 0; step < 24 * 60 * 60; ++step) {
        advance(1'000);
        while (source.pending_count() > 0)
            source.complete_with(0.25);
    }
    // The first finishes at 1 s, then one every 60 s: 1 s, 61 s, ..., 86341 s.
    EXPECT_EQ(domain(id).measurements.size(), 24 * 60);
}

struct AnomalyCase {
    const char* name;
    std::optional<double> previous; // the average before the new measurement
    double total_time;
    bool notifies;
    bool expected;
};

void PrintTo(const AnomalyCase& c, std::ostream* out)
{
    *out << c.name;
}

class AnomalyNotification : public Scheduler, public ::testing::WithParamInterface<AnomalyCase> {};

TEST_P(AnomalyNotification, follows_the_thresholds)
{
    const AnomalyCase& c = GetParam();
    open();
    const QUuid id = add(QStringLiteral("mysite.example"), 60, c.notifies);
    if (c.previous) {
        advance(0);
        source.complete_with(*c.previous);
        advance(60'000);
    } else {
        advance(0);
    }
    source.complete_with(c.total_time);
    ASSERT_EQ(domain(id).measurements.size(), c.previous ? 2 : 1);
    ASSERT_EQ(services.notification_sink.posted.size(), c.expected ? 1u : 0u);
    if (c.expected) {
        EXPECT_TRUE(services.notification_sink.posted.front().body.startsWith(
            QStringLiteral("mysite.example took ")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnomalyNotification,
    ::testing::Values(AnomalyCase{"slow_against_a_quick_average", 0.9, 5.2, true, true},
                      AnomalyCase{"not_five_times_the_average", 1.2, 5.9, true, false},
                      AnomalyCase{"not_above_five_seconds", 0.5, 5.0, true, false},
                      AnomalyCase{"first_measurement", std::nullopt, 9.0, true, false},
                      AnomalyCase{"notifications_off", 0.9, 5.2, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Newest first: what each measurement was, and the interval that follows.
struct IntervalCase {
    const char* name;
    int interval_seconds;
    std::vector<const char*> newest_first; // "ok", "fail", "local", "399", "400", "199", "error200"
    qint64 expected_seconds;
};

void PrintTo(const IntervalCase& c, std::ostream* out)
{
    *out << c.name;
}

class RequiredInterval : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(RequiredInterval, follows_the_failure_streak)
{
    const IntervalCase& c = GetParam();
    MonitoredDomain d;
    d.interval_seconds = c.interval_seconds;
    for (const std::string kind : c.newest_first) {
        DomainMeasurement m;
        m.total_time = 0.2;
        m.http_status = 200;
        if (kind == "fail")
            m.http_status = 503;
        else if (kind == "local")
            m.is_local_network_issue = true, m.http_status.reset();
        else if (kind == "error200")
            m.error_message = QStringLiteral("boom");
        else if (kind != "ok")
            m.http_status = std::stoi(kind);
        d.measurements.append(m);
    }
    EXPECT_EQ(MonitoringSchedule::required_interval(d), c.expected_seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RequiredInterval,
    ::testing::Values(
        IntervalCase{"no_history", 60, {}, 60}, IntervalCase{"below_the_minimum", 5, {"ok"}, 20},
        IntervalCase{"two_failures", 30, {"fail", "fail", "ok"}, 120},
        IntervalCase{"eight_failures",
                     30,
                     {"fail", "fail", "fail", "fail", "fail", "fail", "fail", "fail"},
                     900},
        IntervalCase{
            "long_interval_wins", 3600, {"fail", "fail", "fail", "fail", "fail", "fail"}, 3600},
        IntervalCase{"local_issue_ends_the_streak", 30, {"local", "fail", "fail"}, 30},
        IntervalCase{"streak_stops_at_a_local_issue", 30, {"fail", "local", "fail", "fail"}, 60},
        IntervalCase{"status_399_succeeds", 30, {"399"}, 30},
        IntervalCase{"status_400_fails", 30, {"400"}, 60},
        IntervalCase{"status_199_fails", 30, {"199"}, 60},
        IntervalCase{"error_with_status_fails", 30, {"error200", "fail"}, 120}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
