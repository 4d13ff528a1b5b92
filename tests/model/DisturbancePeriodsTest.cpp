#include "MeasurementFactory.h"
#include "model/MonitoredDomain.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

// One measurement of a timeline, in seconds from the first (interval 60 s, gap limit 120 s).
struct Step {
    enum Kind { healthy, disturbed, failure, local } kind;
    qint64 at;
};

struct ExpectedPeriod {
    qint64 started_at;
    std::optional<double> duration;
};

struct PeriodCase {
    const char* name;
    std::vector<Step> timeline;
    std::vector<ExpectedPeriod> expected;
};

void PrintTo(const PeriodCase& c, std::ostream* out)
{
    *out << c.name;
}

class DisturbancePeriods : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(DisturbancePeriods, follow_runs_gaps_and_recoveries)
{
    const PeriodCase& c = GetParam();
    QList<DomainMeasurement> newest_first;
    QSet<QUuid> disturbance_ids;
    for (const Step& step : c.timeline) {
        DomainMeasurement m = step.kind == Step::failure ? failed(1.0, step.at)
                              : step.kind == Step::local ? local_issue(20.0, step.at)
                                                         : successful(0.2, step.at);
        if (step.kind == Step::disturbed) {
            // Above 8 s, so the statistics also judge it disturbed whatever the average.
            m.total_time = 9.0;
            disturbance_ids.insert(m.id);
        }
        newest_first.prepend(m);
    }

    const auto periods =
        MonitoredDomain::build_disturbance_periods(newest_first, disturbance_ids, 60);
    ASSERT_EQ(periods.size(), qsizetype(c.expected.size()));
    for (size_t i = 0; i < c.expected.size(); ++i) {
        EXPECT_EQ(periods[qsizetype(i)].started_at, test_epoch().addSecs(c.expected[i].started_at))
            << "period " << i;
        EXPECT_EQ(periods[qsizetype(i)].duration, c.expected[i].duration) << "period " << i;
    }

    // refresh_statistics reaches the same periods through its own classification.
    MonitoredDomain domain;
    domain.interval_seconds = 60;
    domain.measurements = newest_first;
    domain.refresh_statistics();
    EXPECT_EQ(domain.statistics.disturbance_periods, periods);
}

using S = Step;

INSTANTIATE_TEST_SUITE_P(
    Cases, DisturbancePeriods,
    ::testing::Values(
        PeriodCase{"none", {{S::healthy, 0}, {S::healthy, 60}}, {}},
        PeriodCase{
            "recovered_after_one_interval", {{S::disturbed, 0}, {S::healthy, 60}}, {{0, 60.0}}},
        PeriodCase{"run_of_three",
                   {{S::disturbed, 0}, {S::disturbed, 60}, {S::disturbed, 120}, {S::healthy, 180}},
                   {{0, 180.0}}},
        PeriodCase{"quick_recovery_raised_to_interval",
                   {{S::disturbed, 0}, {S::healthy, 30}},
                   {{0, 60.0}}},
        PeriodCase{"recovery_at_exactly_the_gap_limit",
                   {{S::disturbed, 0}, {S::healthy, 120}},
                   {{0, 120.0}}},
        PeriodCase{"recovery_just_past_the_gap_limit_is_untimed",
                   {{S::disturbed, 0}, {S::healthy, 121}},
                   {{0, std::nullopt}}},
        PeriodCase{"gap_between_disturbances_cuts_the_run",
                   {{S::disturbed, 0}, {S::disturbed, 300}, {S::healthy, 360}},
                   {{0, std::nullopt}, {300, 60.0}}},
        PeriodCase{"disturbance_at_exactly_the_gap_limit_continues",
                   {{S::disturbed, 0}, {S::disturbed, 120}, {S::healthy, 180}},
                   {{0, 180.0}}},
        PeriodCase{"ongoing",
                   {{S::healthy, -60}, {S::disturbed, 0}, {S::disturbed, 60}},
                   {{0, std::nullopt}}},
        PeriodCase{"local_issue_is_skipped",
                   {{S::disturbed, 0}, {S::local, 60}, {S::healthy, 120}},
                   {{0, 120.0}}},
        PeriodCase{"failures_start_and_extend_runs",
                   {{S::failure, 0},
                    {S::disturbed, 60},
                    {S::healthy, 120},
                    {S::failure, 180},
                    {S::healthy, 240}},
                   {{0, 120.0}, {180, 60.0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DisturbancePeriod, representative_is_the_first_failure_otherwise_the_earliest_slowest)
{
    const DomainMeasurement slow = successful(4.0, 0);
    const DomainMeasurement failure = failed(1.0, 60);
    const DomainMeasurement later_failure = failed(2.0, 120);
    const auto with_failure =
        MonitoredDomain::disturbance_period({slow, failure, later_failure}, 180.0);
    EXPECT_EQ(with_failure.measurement, failure);
    EXPECT_TRUE(with_failure.contains_failure);
    EXPECT_EQ(with_failure.id, slow.id);
    EXPECT_EQ(with_failure.started_at, slow.measured_at);
    EXPECT_EQ(with_failure.duration, 180.0);

    const DomainMeasurement first_six = successful(6.0, 60);
    const auto slow_only =
        MonitoredDomain::disturbance_period({slow, first_six, successful(6.0, 120)}, std::nullopt);
    EXPECT_EQ(slow_only.measurement, first_six);
    EXPECT_FALSE(slow_only.contains_failure);
}

TEST(DisturbancePeriod, keeps_its_id_while_the_runs_first_measurement_stays_first)
{
    MonitoredDomain domain;
    domain.interval_seconds = 60;
    const DomainMeasurement first = failed(1.0, 0);
    domain.measurements = {first, successful(0.2, -60)};
    domain.refresh_statistics();
    ASSERT_EQ(domain.statistics.disturbance_periods.size(), 1);
    EXPECT_EQ(domain.statistics.disturbance_periods[0].id, first.id);

    domain.measurements.prepend(failed(1.0, 60));
    domain.measurements.prepend(successful(0.2, 120));
    domain.refresh_statistics();
    ASSERT_EQ(domain.statistics.disturbance_periods.size(), 1);
    EXPECT_EQ(domain.statistics.disturbance_periods[0].id, first.id);
    EXPECT_EQ(domain.statistics.disturbance_periods[0].duration, 120.0);
}

} // namespace
