#include "MeasurementFactory.h"
#include "model/MonitoredDomain.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Level = DomainMeasurementLevel;

TEST(TrimmedRange, keeps_the_middle_seventy_percent_and_never_less_than_one_index)
{
    const std::vector<std::pair<qsizetype, MonitoredDomain::IndexRange>> cases = {
        {1, {0, 1}},  {3, {0, 3}},   {6, {0, 6}},     {7, {1, 6}},
        {10, {1, 9}}, {21, {3, 18}}, {100, {15, 85}}, {1000, {150, 850}},
    };
    for (const auto& [count, expected] : cases)
        EXPECT_EQ(MonitoredDomain::trimmed_range(count), expected) << "count " << count;
}

TEST(TrimmedAverage, sorts_and_drops_the_outer_values_but_keeps_failures)
{
    // Ten values: indices 1..8 of the sorted list survive.
    QList<DomainMeasurement> history;
    for (const double t : {9.0, 0.1, 0.5, 0.2, 0.4, 0.3, 0.6, 0.7, 0.8, 0.05})
        history.append(successful(t));
    history.append(local_issue(100.0));
    EXPECT_DOUBLE_EQ(*MonitoredDomain::trimmed_average_total_time(history),
                     (0.1 + 0.2 + 0.3 + 0.4 + 0.5 + 0.6 + 0.7 + 0.8) / 8.0);
    // A timed-out request counts, but only as far as it survives the trimming.
    EXPECT_DOUBLE_EQ(*MonitoredDomain::trimmed_average_total_time(
                         {failed(15.0), successful(0.2), successful(0.4)}),
                     15.6 / 3.0);
    EXPECT_FALSE(MonitoredDomain::trimmed_average_total_time({}));
    EXPECT_FALSE(MonitoredDomain::trimmed_average_total_time({local_issue(1.0), local_issue(2.0)}));

    MonitoredDomain empty;
    empty.statistics.failure_count = 7;
    empty.refresh_statistics();
    EXPECT_EQ(empty.statistics, DomainStatistics::empty());
}

// Classifies `total_time` against a history whose trimmed average is exactly
// `average`: of seven values indices 1..5 stay, so the candidate, the largest, is
// trimmed away and five equal values divide back to exactly `average`.
TEST(LevelThresholds, classify_at_their_exact_boundaries)
{
    struct Case {
        double average, total_time;
        Level expected;
    };
    const Case cases[] = {
        // Three times the average counts as a delay even below 1.5 s.
        {0.1, 0.35, Level::delay},  {0.1, 0.3, Level::normal}, // 3 x 0.1 > 0.3 in doubles
        {0.25, 0.75, Level::delay}, {0.25, 0.74, Level::normal},    {0.6, 1.5, Level::normal},
        {0.6, 1.51, Level::delay},  {0.5, 3.0, Level::delay},       {0.5, 3.01, Level::disturbance},
        {1.0, 4.0, Level::delay},   {1.0, 5.0, Level::disturbance}, {2.0, 8.0, Level::disturbance},
        {2.0, 8.01, Level::outage}, {0.1, 9.0, Level::outage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "average " << c.average << " at " << c.total_time);
        MonitoredDomain domain;
        const DomainMeasurement candidate = successful(c.total_time, 60);
        domain.measurements.append(candidate);
        for (int i = 1; i <= 6; ++i)
            domain.measurements.append(successful(c.average, -60 * i));
        domain.refresh_statistics();
        ASSERT_EQ(domain.statistics.average_total_time, c.average);
        EXPECT_EQ(domain_measurement_level_key(domain.measurement_level(candidate)),
                  domain_measurement_level_key(c.expected));
        const auto& s = domain.statistics;
        EXPECT_FALSE(s.delay_measurement_ids.contains(candidate.id) &&
                     s.disturbance_measurement_ids.contains(candidate.id));
        EXPECT_TRUE(!s.outage_measurement_ids.contains(candidate.id) ||
                    s.disturbance_measurement_ids.contains(candidate.id));
    }
}

TEST(Statistics, failed_measurements_are_errors_counted_but_in_no_set)
{
    MonitoredDomain domain;
    DomainMeasurement server_error = successful(9.0, 60, 500);
    domain.measurements = {server_error, successful(0.2, 0)};
    domain.refresh_statistics();
    const auto& s = domain.statistics;
    EXPECT_EQ(domain.measurement_level(server_error), Level::error);
    EXPECT_EQ(s.failure_count, 1);
    EXPECT_FALSE(s.outage_measurement_ids.contains(server_error.id));
    EXPECT_FALSE(s.disturbance_measurement_ids.contains(server_error.id));
    EXPECT_EQ(s.highest_total_time, 9.0);
    ASSERT_EQ(s.disturbance_periods.size(), 1);
    EXPECT_TRUE(s.disturbance_periods[0].contains_failure);
}

TEST(Statistics, local_network_issues_are_left_out_of_everything)
{
    MonitoredDomain domain;
    DomainMeasurement slow_local = local_issue(12.0, 120);
    DomainMeasurement local_with_error = local_issue(14.0, 60);
    local_with_error.error_message = u"offline"_s;
    local_with_error.http_status.reset();
    domain.measurements = {slow_local, local_with_error, successful(0.2, 0)};
    domain.refresh_statistics();
    const auto& s = domain.statistics;
    EXPECT_EQ(s.average_total_time, 0.2);
    EXPECT_EQ(s.highest_total_time, 0.2);
    EXPECT_EQ(s.failure_count, 0);
    EXPECT_TRUE(s.disturbance_measurement_ids.isEmpty());
    EXPECT_TRUE(s.delay_measurement_ids.isEmpty());
    EXPECT_TRUE(s.disturbance_periods.isEmpty());
    EXPECT_EQ(domain.measurement_level(slow_local), Level::normal);
    EXPECT_EQ(domain.measurement_level(local_with_error), Level::normal);
}

TEST(Statistics, longest_disturbance_is_the_longest_timed_period)
{
    MonitoredDomain domain;
    domain.interval_seconds = 60;
    // Failure at 0 recovered at 60; failures 180..300 recovered at 360; one ongoing at 420.
    for (const auto& m :
         {failed(1.0, 0), successful(0.2, 60), successful(0.2, 120), failed(1.0, 180),
          failed(1.0, 240), failed(1.0, 300), successful(0.2, 360), failed(1.0, 420)})
        domain.measurements.prepend(m);
    domain.refresh_statistics();
    ASSERT_EQ(domain.statistics.disturbance_periods.size(), 3);
    EXPECT_EQ(domain.statistics.longest_disturbance_duration, 180.0);
    EXPECT_FALSE(domain.statistics.disturbance_periods[2].duration);
}

} // namespace
