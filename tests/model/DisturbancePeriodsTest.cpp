#include "MeasurementFactory.h"
#include "model/MonitoredDomain.h"

#include <gtest/gtest.h>

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

using S = Step;

TEST(DisturbancePeriods, follow_runs_gaps_and_recoveries)
{
    const std::vector<std::pair<std::vector<Step>, std::vector<ExpectedPeriod>>> cases = {
        {{{S::healthy, 0}, {S::healthy, 60}}, {}},
        {{{S::disturbed, 0}, {S::disturbed, 60}, {S::healthy, 120}}, {{0, 120.0}}},
        // A quicker recovery still counts one interval.
        {{{S::disturbed, 0}, {S::healthy, 30}}, {{0, 60.0}}},
        {{{S::disturbed, 0}, {S::healthy, 120}}, {{0, 120.0}}},
        {{{S::disturbed, 0}, {S::healthy, 121}}, {{0, std::nullopt}}},
        {{{S::disturbed, 0}, {S::disturbed, 121}, {S::healthy, 181}},
         {{0, std::nullopt}, {121, 60.0}}},
        {{{S::disturbed, 0}, {S::disturbed, 120}, {S::healthy, 180}}, {{0, 180.0}}},
        {{{S::healthy, -60}, {S::disturbed, 0}, {S::disturbed, 60}}, {{0, std::nullopt}}},
        {{{S::disturbed, 0}, {S::local, 60}, {S::healthy, 120}}, {{0, 120.0}}},
        {{{S::failure, 0},
          {S::disturbed, 60},
          {S::healthy, 120},
          {S::failure, 180},
          {S::healthy, 240}},
         {{0, 120.0}, {180, 60.0}}},
    };
    for (size_t n = 0; n < cases.size(); ++n) {
        SCOPED_TRACE(testing::Message() << "case " << n);
        const auto& [timeline, expected] = cases[n];
        QList<DomainMeasurement> newest_first;
        QSet<QUuid> disturbance_ids;
        for (const Step& step : timeline) {
            // Disturbed is above 8 s, so the statistics judge it so whatever the average.
            DomainMeasurement m = step.kind == S::failure     ? failed(1.0, step.at)
                                  : step.kind == S::local     ? local_issue(20.0, step.at)
                                  : step.kind == S::disturbed ? successful(9.0, step.at)
                                                              : successful(0.2, step.at);
            if (step.kind == S::disturbed)
                disturbance_ids.insert(m.id);
            newest_first.prepend(m);
        }
        const auto periods =
            MonitoredDomain::build_disturbance_periods(newest_first, disturbance_ids, 60);
        ASSERT_EQ(periods.size(), qsizetype(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(periods[qsizetype(i)].started_at,
                      test_epoch().addSecs(expected[i].started_at));
            EXPECT_EQ(periods[qsizetype(i)].duration, expected[i].duration) << "period " << i;
        }
        // refresh_statistics reaches the same periods through its own classification.
        MonitoredDomain domain;
        domain.interval_seconds = 60;
        domain.measurements = newest_first;
        domain.refresh_statistics();
        EXPECT_EQ(domain.statistics.disturbance_periods, periods);
    }
}

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
