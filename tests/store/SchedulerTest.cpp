#include "DataFolder.h"
#include "StoreSamples.h"
#include "StoreTestEnvironment.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/MonitoringSchedule.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>

using namespace Qt::StringLiterals;

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

    // The planned start lies in the domain's slot: no earlier than the due time
    // less the tolerance, before the end of the window after it.
    static void expect_in_spread(const QDateTime& planned, const QDateTime& due, int interval)
    {
        const qint64 window = MonitoringSchedule::spread_window_ms(interval);
        const qint64 offset = due.msecsTo(planned);
        EXPECT_GE(offset, -MonitoringSchedule::spread_tolerance_ms(window));
        EXPECT_LT(offset, window - MonitoringSchedule::spread_tolerance_ms(window));
    }

    // Nothing new starts until the planned instant of `id`, one request does then.
    void expect_next_start(const QUuid& id, const QDateTime& due, int interval)
    {
        const std::optional<QDateTime> planned = store->next_measurement_date(id);
        ASSERT_TRUE(planned);
        expect_in_spread(*planned, due, interval);
        const std::size_t before = source.pending_count();
        clock.advance_to(planned->addMSecs(-1));
        EXPECT_EQ(source.pending_count(), before);
        advance(1);
        EXPECT_EQ(source.pending_count(), before + 1);
    }

    DataFolder folder;
    StoreTestEnvironment services;
    ManualClock& clock = services.clock;
    FakeMeasurementSource& source = services.measurements;
    std::unique_ptr<TessaryStore> store;
};

TEST_F(Scheduler, a_new_domain_is_measured_once_at_once_then_every_interval)
{
    open();
    const QUuid id = add(u"example.com"_s);
    advance(0);
    ASSERT_EQ(source.pending_count(), 1u);
    EXPECT_EQ(source.next().url_string, u"https://example.com"_s);
    EXPECT_EQ(source.next().user_agent, u"Tessarybot"_s);
    EXPECT_TRUE(store->running_domain_ids().contains(id));

    advance(1'000);
    source.complete_with(0.2);
    EXPECT_FALSE(store->running_domain_ids().contains(id));
    EXPECT_EQ(domain(id).measurements.size(), 1);
    const QDateTime first = domain(id).measurements.first().measured_at;
    expect_next_start(id, first.addSecs(60), 60);
    EXPECT_EQ(source.started_count(), 2);
}

TEST_F(Scheduler, after_a_restart_the_interval_counts_from_the_newest_measurement)
{
    const MonitoredDomain d = sample_domain(u"https://example.com"_s);
    const DomainMeasurement newest = sample_measurement(clock.now().addSecs(-30));
    folder.write(u"domains.json"_s, DomainJson::encode_list({d}));
    folder.write(u"measurement_history.json"_s, HistoryJson::encode({{d.id, {newest}}}));

    open();
    expect_next_start(d.id, newest.measured_at.addSecs(60), 60);
    EXPECT_EQ(source.started_count(), 1);
}

TEST_F(Scheduler, failures_back_off_and_a_success_restores_the_interval)
{
    open();
    const QUuid id = add(u"example.com"_s, 30);
    advance(0);
    // Failures at 60, 120, 240, 480 and 900 s apart, the last one capped.
    for (const int wait_s : {60, 120, 240, 480, 900, 900}) {
        ASSERT_EQ(source.pending_count(), 1u);
        source.complete_with(15.0, std::nullopt, u"timed out"_s);
        expect_next_start(id, clock.now().addSecs(wait_s), 30);
    }
    ASSERT_EQ(source.pending_count(), 1u);
    source.complete_with(0.2);
    expect_next_start(id, clock.now().addSecs(30), 30);
    EXPECT_EQ(domain(id).statistics.failure_count, 6);
}

TEST_F(Scheduler, an_attempt_without_a_measurement_is_retried_after_five_seconds)
{
    open();
    const QUuid id = add(u"example.com"_s);
    advance(0);
    source.complete(std::nullopt); // measure_now's: the probe found no usable network
    // The monitoring task's own attempt, in the domain's slot.
    advance(MonitoringSchedule::spread_window_ms(60));
    ASSERT_EQ(source.pending_count(), 1u);
    source.complete(std::nullopt);
    advance(4'999);
    EXPECT_EQ(source.pending_count(), 0u);
    // Then again in the slot at or after the pause.
    advance(1 + MonitoringSchedule::delay_before_next_measurement(domain(id), clock.now()));
    EXPECT_EQ(source.pending_count(), 1u);
}

TEST_F(Scheduler, no_request_while_the_network_is_down_and_none_once_the_domain_is_archived)
{
    open();
    services.report_network(false);
    const QUuid id = add(u"example.com"_s);
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
    advance(60'000 + MonitoringSchedule::spread_window_ms(60));
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
    const QUuid kept = add(u"kept.example"_s);
    const QUuid dropped = add(u"dropped.example"_s);
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
    const QUuid id = add(u"example.com"_s);
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
    ASSERT_FALSE(store->add_domain(u"paused.example"_s, 60, 48, {}, false, false));
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
    folder.write(u"domains.json"_s,
                 DomainJson::encode_list({sample_domain(u"https://exa mple.com"_s)}));
    open();
    advance(3'600'000);
    EXPECT_EQ(source.started_count(), 0);
    EXPECT_TRUE(store->running_domain_ids().isEmpty());
}

TEST_F(Scheduler, recorded_measurements_share_repeated_texts)
{
    open();
    const QUuid id = add(u"example.com"_s);
    for (int i = 0; i < 2; ++i) {
        advance(i == 0 ? 0 : 60'000 + MonitoringSchedule::spread_window_ms(60));
        DomainMeasurement m = sample_measurement(clock.now());
        m.url_string = u"https://example.com"_s; // a copy of its own
        m.response_x_headers.insert(u"x-cache"_s, u"HIT"_s);
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
    const QUuid id = add(u"example.com"_s);
    for (int step = 0; step < 24 * 60 * 60; ++step) {
        advance(1'000);
        while (source.pending_count() > 0)
            source.complete_with(0.25);
    }
    // The first at once, then one a minute in the domain's slot, which lies a few
    // seconds either side of the minute: 1,440 or 1,441 in a day, by the slot.
    const qsizetype count = domain(id).measurements.size();
    EXPECT_GE(count, 24 * 60);
    EXPECT_LE(count, 24 * 60 + 1);
}

// Runs the clock through `window_ms`, answering every request: the offset of
// each URL's first start.
std::map<QString, qint64> starts_within(StoreTestEnvironment& services, qint64 window_ms)
{
    const QDateTime begin = services.clock.now();
    std::map<QString, qint64> starts;
    for (qint64 t = 0; t <= window_ms; t += 10) {
        services.clock.advance_by(t == 0 ? 0 : 10);
        while (services.measurements.pending_count() > 0) {
            starts.emplace(services.measurements.next().url_string,
                           begin.msecsTo(services.clock.now()));
            services.measurements.complete_with(0.1);
        }
    }
    return starts;
}

// Every domain of `folder` is due at once: a store opened on it, run through the window.
std::map<QString, qint64> first_starts(StoreTestEnvironment& services, const QString& folder,
                                       qint64 window_ms)
{
    auto opened = TessaryStore::open(services.environment(folder));
    EXPECT_TRUE(opened);
    return opened ? starts_within(services, window_ms) : std::map<QString, qint64>();
}

TEST_F(Scheduler, domains_due_together_are_spread_and_a_restart_spreads_them_alike)
{
    const int count = 40;
    QList<MonitoredDomain> domains;
    HistorySnapshot history;
    for (int i = 0; i < count; ++i) {
        domains.append(sample_domain(u"https://site%1.example"_s.arg(i), 20));
        // One whole second for all: due now.
        history.append({domains.last().id, {sample_measurement(clock.now().addSecs(-20))}});
    }
    folder.write(u"domains.json"_s, DomainJson::encode_list(domains));
    folder.write(u"measurement_history.json"_s, HistoryJson::encode(history));

    const qint64 window = MonitoringSchedule::spread_window_ms(20);
    const std::map<QString, qint64> starts = first_starts(services, folder.path(), window);
    ASSERT_EQ(starts.size(), std::size_t(count));
    std::set<qint64> distinct;
    for (const auto& [url, offset] : starts) {
        EXPECT_GE(offset, 0);
        EXPECT_LT(offset, window);
        distinct.insert(offset);
    }
    EXPECT_GE(distinct.size(), std::size_t(count / 2)) << "piled up on a few instants";

    // A restart at the same moment (the files are as before) starts each domain
    // at the same offset.
    StoreTestEnvironment again;
    EXPECT_EQ(first_starts(again, folder.path(), window), starts);
}

TEST_F(Scheduler, domains_the_network_frees_together_go_in_their_own_slots)
{
    const int count = 30;
    QList<MonitoredDomain> domains;
    for (int i = 0; i < count; ++i)
        domains.append(sample_domain(u"https://site%1.example"_s.arg(i), 20));
    folder.write(u"domains.json"_s, DomainJson::encode_list(domains));
    services.report_network(false);
    open();
    advance(60'000);
    ASSERT_EQ(source.started_count(), 0);
    ASSERT_EQ(store->running_domain_ids().size(), count);

    services.report_network(true);
    advance(NetworkAvailabilityService::stabilization_ms - 1);
    ASSERT_EQ(source.started_count(), 0);
    advance(1); // settled: every wait ends now
    const qint64 window = MonitoringSchedule::spread_window_ms(20);
    std::set<qint64> offsets;
    for (const auto& [url, offset] : starts_within(services, window))
        offsets.insert(offset);
    EXPECT_EQ(source.started_count(), count);
    EXPECT_GE(offsets.size(), std::size_t(count / 2)) << "all started at once";
    EXPECT_LT(*offsets.rbegin(), window);
}

class Spread : public ::testing::TestWithParam<int> {};

TEST_P(Spread, the_window_is_a_whole_fraction_of_at_most_a_tenth_of_the_interval)
{
    const qint64 interval_ms = GetParam() * 1000LL;
    const qint64 window = MonitoringSchedule::spread_window_ms(GetParam());
    EXPECT_LE(window * 10, interval_ms);
    EXPECT_LE(window, MonitoringSchedule::spread_ceiling_ms);
    EXPECT_GE(window, 2'000);
    // Divides the interval up to a millisecond per window.
    EXPECT_LT(interval_ms % window, interval_ms / window);
}

TEST_P(Spread, domains_due_at_one_instant_wait_for_distinct_slots_in_the_window)
{
    const int interval = GetParam();
    const qint64 window = MonitoringSchedule::spread_window_ms(interval);
    const QDateTime now(QDate(2025, 1, 31), QTime(9, 15, 7), Qt::UTC);
    std::set<qint64> delays;
    qint64 latest = 0;
    for (int i = 0; i < 1000; ++i) {
        MonitoredDomain d = sample_domain(QString(), interval);
        d.measurements = {sample_measurement(now.addSecs(-interval))};
        const qint64 delay = MonitoringSchedule::delay_before_next_measurement(d, now);
        ASSERT_GE(delay, 0);
        ASSERT_LT(delay, window);
        delays.insert(delay);
        latest = std::max(latest, delay);
    }
    EXPECT_GT(delays.size(), 400u);
    EXPECT_GT(latest, window / 2);
}

TEST_P(Spread, a_domain_measured_in_its_slot_finds_its_next_slot_one_interval_later)
{
    const int interval = GetParam();
    const qint64 window = MonitoringSchedule::spread_window_ms(interval);
    const qint64 interval_ms = interval * 1000LL;
    MonitoredDomain d = sample_domain(QString(), interval);
    const qint64 slot = MonitoringSchedule::slot_at_or_after(
        d, QDateTime(QDate(2025, 1, 31), QTime(9, 15, 0, 123), Qt::UTC).toMSecsSinceEpoch());
    // Late by up to the tolerance (less what the window falls short of dividing
    // the interval), and with the milliseconds lost in the file.
    for (const qint64 late :
         {qint64(0), qint64(1), qint64(40),
          MonitoringSchedule::spread_tolerance_ms(window) - interval_ms % window - 1}) {
        for (const bool whole_seconds : {false, true}) {
            DomainMeasurement m =
                sample_measurement(QDateTime::fromMSecsSinceEpoch(slot + late, Qt::UTC));
            if (whole_seconds)
                m.measured_at.setTime(QTime(m.measured_at.time().hour(),
                                            m.measured_at.time().minute(),
                                            m.measured_at.time().second()));
            d.measurements = {m};
            const qint64 next =
                MonitoringSchedule::next_measurement_date(d, m.measured_at)->toMSecsSinceEpoch();
            EXPECT_LE(std::abs(next - (slot + interval_ms)), interval_ms % window)
                << "late " << late << " ms, whole seconds " << whole_seconds;
            EXPECT_EQ(MonitoringSchedule::delay_before_next_measurement(
                          d, QDateTime::fromMSecsSinceEpoch(next, Qt::UTC)),
                      0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Intervals, Spread, ::testing::Values(20, 60, 125, 3600));

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
    const QUuid id = add(u"mysite.example"_s, 60, c.notifies);
    if (c.previous) {
        advance(0);
        source.complete_with(*c.previous);
        advance(60'000 + MonitoringSchedule::spread_window_ms(60));
    } else {
        advance(0);
    }
    source.complete_with(c.total_time);
    ASSERT_EQ(domain(id).measurements.size(), c.previous ? 2 : 1);
    ASSERT_EQ(services.notification_sink.posted.size(), c.expected ? 1u : 0u);
    if (c.expected) {
        EXPECT_TRUE(
            services.notification_sink.posted.front().body.startsWith(u"mysite.example took "_s));
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
            m.error_message = u"boom"_s;
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
