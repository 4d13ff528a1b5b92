#include "StoreFixture.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/MonitoringSchedule.h"

#include <map>
#include <set>

using namespace Qt::StringLiterals;

namespace {

class Scheduler : public StoreFixture {
protected:
    void advance(qint64 ms) { clock.advance_by(ms); }

    // The planned start of `id` lies in its slot: no earlier than the due time less
    // the tolerance, before the end of the window after it. Nothing new starts
    // until then, one request does then.
    void expect_next_start(const QUuid& id, const QDateTime& due, int interval)
    {
        const std::optional<QDateTime> planned = store->next_measurement_date(id);
        ASSERT_TRUE(planned);
        const qint64 window = MonitoringSchedule::spread_window_ms(interval);
        const qint64 offset = due.msecsTo(*planned);
        EXPECT_GE(offset, -MonitoringSchedule::spread_tolerance_ms(window));
        EXPECT_LT(offset, window - MonitoringSchedule::spread_tolerance_ms(window));
        const std::size_t before = source.pending_count();
        clock.advance_to(planned->addMSecs(-1));
        EXPECT_EQ(source.pending_count(), before);
        advance(1);
        EXPECT_EQ(source.pending_count(), before + 1);
    }
};

TEST_F(Scheduler, a_new_domain_is_measured_once_at_once_even_when_asked_again_then_every_interval)
{
    open();
    const QUuid id = add(u"example.com"_s, true);
    advance(0);
    ASSERT_EQ(source.pending_count(), 1u);
    EXPECT_EQ(source.next().url_string, u"https://example.com"_s);
    EXPECT_EQ(source.next().user_agent, u"Tessarybot"_s);
    EXPECT_TRUE(store->running_domain_ids().contains(id));
    store->measure_now(id); // while it runs: nothing more
    advance(1'000);
    EXPECT_EQ(source.pending_count(), 1u);
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
    const QUuid id = add(u"example.com"_s, true, false, 30);
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
    const QUuid id = add(u"example.com"_s, true);
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

TEST(MonitoringTaskTest, an_attempt_that_recorded_nothing_is_tried_again_five_seconds_later)
{
    ManualClock clock;
    int attempts = 0;
    const MonitoringTask task(
        {[] { return qint64(0); },
         [&](std::shared_ptr<CancellationToken>, std::function<void(bool)> done) {
             ++attempts;
             done(false);
         }},
        clock);
    clock.advance_by(0);
    clock.advance_by(4'999);
    EXPECT_EQ(attempts, 1);
    clock.advance_by(1);
    EXPECT_EQ(attempts, 2);
}

TEST_F(Scheduler, no_request_while_the_network_is_down_and_none_once_the_domain_is_archived)
{
    open();
    services.report_network(false);
    const QUuid id = add(u"example.com"_s, true);
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
    const QUuid kept = add(u"kept.example"_s, true);
    const QUuid dropped = add(u"dropped.example"_s, true);
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

TEST_F(Scheduler, inactive_and_unparseable_domains_have_no_schedule_but_measure_on_demand)
{
    folder.write(u"domains.json"_s,
                 DomainJson::encode_list({sample_domain(u"https://exa mple.com"_s)}));
    open();
    const QUuid id = add(u"paused.example"_s);
    advance(3'600'000);
    EXPECT_EQ(source.started_count(), 0);
    EXPECT_TRUE(store->running_domain_ids().isEmpty());
    EXPECT_FALSE(store->has_monitoring_task(id));
    EXPECT_FALSE(store->next_measurement_date(id));

    store->measure_now(id);
    source.complete_with(0.3);
    advance(600'000);
    EXPECT_EQ(source.started_count(), 1);
    EXPECT_EQ(domain(id).measurements.size(), 1);
}

// Runs the clock through a tenth of a 20 s interval, answering every request:
// the offset of each URL's first start. They are spread over those 2 s.
std::map<QString, qint64> spread_starts(StoreTestEnvironment& services, int count)
{
    const qint64 window = 2'000;
    std::map<QString, qint64> starts;
    std::set<qint64> distinct;
    for (qint64 t = 0; t <= window; t += 10) {
        services.clock.advance_by(t == 0 ? 0 : 10);
        while (services.measurements.pending_count() > 0) {
            starts.emplace(services.measurements.next().url_string, t);
            distinct.insert(t);
            services.measurements.complete_with(0.1);
        }
    }
    EXPECT_EQ(starts.size(), std::size_t(count));
    EXPECT_LT(*distinct.rbegin(), window);
    EXPECT_GE(distinct.size(), std::size_t(count / 2)) << "piled up on a few instants";
    return starts;
}

QList<MonitoredDomain> twenty_second_domains(int count)
{
    QList<MonitoredDomain> domains;
    for (int i = 0; i < count; ++i)
        domains.append(sample_domain(u"https://site%1.example"_s.arg(i), 20));
    return domains;
}

TEST_F(Scheduler, domains_due_together_are_spread_and_a_restart_spreads_them_alike)
{
    const QList<MonitoredDomain> domains = twenty_second_domains(40);
    HistorySnapshot history;
    for (const MonitoredDomain& d : domains) // one whole second for all: due now
        history.append({d.id, {sample_measurement(clock.now().addSecs(-20))}});
    folder.write(u"domains.json"_s, DomainJson::encode_list(domains));
    folder.write(u"measurement_history.json"_s, HistoryJson::encode(history));
    open();
    const std::map<QString, qint64> starts = spread_starts(services, 40);
    store.reset();

    // A restart at the same moment (the files are as before) starts each domain
    // at the same offset.
    StoreTestEnvironment again;
    const auto reopened = TessaryStore::open(again.environment(folder.path()));
    ASSERT_TRUE(reopened);
    EXPECT_EQ(spread_starts(again, 40), starts);
}

TEST_F(Scheduler, domains_the_network_frees_together_go_in_their_own_slots)
{
    folder.write(u"domains.json"_s, DomainJson::encode_list(twenty_second_domains(30)));
    services.report_network(false);
    open();
    advance(60'000);
    ASSERT_EQ(source.started_count(), 0);
    ASSERT_EQ(store->running_domain_ids().size(), 30);

    services.report_network(true);
    advance(NetworkAvailabilityService::stabilization_ms - 1);
    ASSERT_EQ(source.started_count(), 0);
    advance(1); // settled: every wait ends now
    spread_starts(services, 30);
}

TEST(
    Spread,
    a_domain_measured_in_its_slot_finds_its_next_slot_one_interval_later_or_a_late_one_its_interval)
{
    for (const int interval : {20, 125, 3600}) {
        const qint64 window = MonitoringSchedule::spread_window_ms(interval);
        const qint64 interval_ms = interval * 1000LL;
        MonitoredDomain d = sample_domain(QString(), interval);
        const qint64 slot = MonitoringSchedule::slot_at_or_after(
            d, QDateTime(QDate(2025, 1, 31), QTime(9, 15, 0, 123), Qt::UTC).toMSecsSinceEpoch());
        // Late by up to the tolerance (less what the window falls short of dividing
        // the interval), and with the milliseconds lost in the file.
        for (const qint64 late : {qint64(0), MonitoringSchedule::spread_tolerance_ms(window) -
                                                 interval_ms % window - 1}) {
            for (const bool whole_seconds : {false, true}) {
                QDateTime at = QDateTime::fromMSecsSinceEpoch(slot + late, Qt::UTC);
                if (whole_seconds)
                    at = QDateTime::fromSecsSinceEpoch(at.toSecsSinceEpoch(), Qt::UTC);
                d.measurements = {sample_measurement(at)};
                const qint64 next =
                    MonitoringSchedule::next_measurement_date(d, at)->toMSecsSinceEpoch();
                EXPECT_LE(std::abs(next - (slot + interval_ms)), interval_ms % window)
                    << interval << " s, late " << late << " ms, whole seconds " << whole_seconds;
                EXPECT_EQ(MonitoringSchedule::delay_before_next_measurement(
                              d, QDateTime::fromMSecsSinceEpoch(next, Qt::UTC)),
                          0);
            }
        }
        // Later than that (half a second at most; a thousand others went first):
        // a full interval after it, not in the slot most of a window on.
        const qint64 late = 501;
        d.measurements = {sample_measurement(QDateTime::fromMSecsSinceEpoch(slot + late, Qt::UTC))};
        EXPECT_EQ(MonitoringSchedule::next_measurement_date(d, d.measurements[0].measured_at)
                      ->toMSecsSinceEpoch(),
                  slot + late + interval_ms)
            << interval << " s";
    }
}

TEST_F(Scheduler, a_slow_measurement_notifies_only_against_a_quick_average)
{
    struct Case {
        const char* host;
        std::optional<double> previous_average;
        double total_time;
        bool notifies;
    };
    const Case cases[] = {{"slow.example", 0.9, 5.2, true},
                          {"not-five-times.example", 1.2, 5.9, true},
                          {"not-above-five-seconds.example", 0.5, 5.0, true},
                          {"first-measurement.example", std::nullopt, 9.0, true},
                          {"notifications-off.example", 0.9, 5.2, false}};
    open();
    for (const Case& c : cases) {
        const QUuid id = add(QString::fromLatin1(c.host), false, c.notifies);
        if (c.previous_average)
            store->record_measurement(id, sample_measurement(clock.now(), *c.previous_average));
        store->record_measurement(id, sample_measurement(clock.now(), c.total_time));
    }
    QStringList bodies;
    for (const NotificationRequest& posted : services.notification_sink.posted)
        bodies.append(posted.body.section(u' ', 0, 1));
    EXPECT_EQ(bodies, QStringList{u"slow.example took"_s});
}

// Newest first, the interval that follows: failures double it up to a ceiling,
// never below the domain's own interval; a local network issue is no failure.
TEST(RequiredInterval, follows_the_failure_streak)
{
    const struct {
        int interval_seconds;
        const char* newest_first;
        qint64 expected_seconds;
    } cases[] = {{60, "", 60},
                 {5, "ok", 20},
                 {30, "fail fail ok", 120},
                 {30, "fail fail fail fail fail fail fail fail", 900},
                 {3600, "fail fail fail fail fail fail", 3600},
                 {30, "local fail fail", 30},
                 {30, "fail local fail fail", 60}};
    for (const auto& c : cases) {
        MonitoredDomain d;
        d.interval_seconds = c.interval_seconds;
        for (const QString& kind :
             QString::fromLatin1(c.newest_first).split(u' ', Qt::SkipEmptyParts))
            d.measurements.append(kind == u"ok"_s     ? successful(0.2)
                                  : kind == u"fail"_s ? failed(0.2)
                                                      : local_issue(0.2));
        EXPECT_EQ(MonitoringSchedule::required_interval(d), c.expected_seconds) << c.newest_first;
    }
}

} // namespace
