#include "MeasurementFactory.h"
#include "model/MonitoredDomain.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace Qt::StringLiterals;

namespace {

using Range = MonitoredDomain::IndexRange;

TEST(TrimmedRange, keeps_the_middle_seventy_percent_and_never_less_than_one_index)
{
    const std::vector<std::pair<qsizetype, Range>> cases = {
        {1, {0, 1}},   {2, {0, 2}},     {3, {0, 3}}, {7, {1, 6}},   {10, {1, 9}},
        {20, {3, 17}}, {100, {15, 85}}, {6, {0, 6}}, {21, {3, 18}}, {1000, {150, 850}},
    };
    for (const auto& [count, expected] : cases) {
        EXPECT_EQ(MonitoredDomain::trimmed_range(count), expected) << "count " << count;
    }
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
    QList<DomainMeasurement> with_timeout = {failed(15.0), successful(0.2), successful(0.4)};
    EXPECT_DOUBLE_EQ(*MonitoredDomain::trimmed_average_total_time(with_timeout), 15.6 / 3.0);

    // Absent without measurements or with only local issues.
    EXPECT_FALSE(MonitoredDomain::trimmed_average_total_time({}));
    EXPECT_FALSE(MonitoredDomain::trimmed_average_total_time({local_issue(1.0), local_issue(2.0)}));
}

TEST(Statistics, empty_history_gives_empty_statistics)
{
    MonitoredDomain domain;
    domain.statistics.failure_count = 7;
    domain.refresh_statistics();
    EXPECT_EQ(domain.statistics, DomainStatistics::empty());
}

TEST(Statistics, small_history_is_classified_against_an_average_that_includes_it)
{
    MonitoredDomain domain;
    const DomainMeasurement slowest = successful(0.5, 120);
    domain.measurements = {slowest, successful(0.1, 60), successful(0.1, 0)};
    domain.refresh_statistics();
    EXPECT_DOUBLE_EQ(*domain.statistics.average_total_time, 0.7 / 3.0);
    EXPECT_EQ(domain.measurement_level(slowest), DomainMeasurementLevel::normal);
}

// A history whose trimmed average is exactly `average`, plus `candidate` on top.
// Seven values keep indices 1..5: the candidate, the largest, is trimmed away, and
// five equal values sum and divide back to exactly `average` (forty would not).
MonitoredDomain domain_with_average(double average, const DomainMeasurement& candidate)
{
    MonitoredDomain domain;
    domain.interval_seconds = 60;
    domain.measurements.append(candidate);
    for (int i = 1; i <= 6; ++i)
        domain.measurements.append(successful(average, -60 * i));
    domain.refresh_statistics();
    return domain;
}

struct LevelCase {
    const char* name;
    double average;
    double total_time;
    DomainMeasurementLevel expected;
};

void PrintTo(const LevelCase& c, std::ostream* out)
{
    *out << c.name;
}

class LevelThresholds : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelThresholds, classify_at_their_exact_boundaries)
{
    const LevelCase& c = GetParam();
    const DomainMeasurement candidate = successful(c.total_time, 60);
    const MonitoredDomain domain = domain_with_average(c.average, candidate);
    ASSERT_EQ(domain.statistics.average_total_time, c.average);
    EXPECT_EQ(domain.measurement_level(candidate), c.expected)
        << "level "
        << domain_measurement_level_key(domain.measurement_level(candidate)).toStdString();

    const auto& s = domain.statistics;
    const bool delay = s.delay_measurement_ids.contains(candidate.id);
    const bool disturbance = s.disturbance_measurement_ids.contains(candidate.id);
    const bool outage = s.outage_measurement_ids.contains(candidate.id);
    EXPECT_FALSE(delay && disturbance) << "a delay is never also a disturbance";
    EXPECT_TRUE(!outage || disturbance) << "outages are part of the disturbance set";
}

using Level = DomainMeasurementLevel;

INSTANTIATE_TEST_SUITE_P(Cases, LevelThresholds,
                         ::testing::Values(
                             // Three times the average counts as a delay even below 1.5 s.
                             LevelCase{"avg_0_1_at_0_35_is_delay", 0.1, 0.35, Level::delay},
                             // 3 x 0.1 is slightly above 0.3 in double precision.
                             LevelCase{"avg_0_1_at_exactly_0_3_is_normal", 0.1, 0.3, Level::normal},
                             LevelCase{"avg_0_25_at_0_75_is_delay", 0.25, 0.75, Level::delay},
                             LevelCase{"avg_0_25_at_0_74_is_normal", 0.25, 0.74, Level::normal},
                             LevelCase{"avg_0_5_at_1_5_is_delay_by_ratio", 0.5, 1.5, Level::delay},
                             LevelCase{"avg_0_6_at_1_5_is_normal", 0.6, 1.5, Level::normal},
                             LevelCase{"avg_0_6_above_1_5_is_delay", 0.6, 1.51, Level::delay},
                             LevelCase{"avg_0_5_at_3_0_is_only_a_delay", 0.5, 3.0, Level::delay},
                             LevelCase{"avg_0_5_at_3_01_is_disturbance", 0.5, 3.01,
                                       Level::disturbance},
                             LevelCase{"avg_1_at_4_is_delay", 1.0, 4.0, Level::delay},
                             LevelCase{"avg_1_at_5_is_disturbance", 1.0, 5.0, Level::disturbance},
                             LevelCase{"avg_2_at_8_is_disturbance", 2.0, 8.0, Level::disturbance},
                             LevelCase{"avg_2_at_7_99_is_delay", 2.0, 7.99, Level::delay},
                             LevelCase{"avg_2_at_8_01_is_outage", 2.0, 8.01, Level::outage},
                             LevelCase{"avg_0_1_at_9_is_outage", 0.1, 9.0, Level::outage}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Statistics, failed_measurements_are_errors_counted_but_in_no_set)
{
    MonitoredDomain domain;
    DomainMeasurement server_error = successful(9.0, 60, 500);
    domain.measurements = {server_error, successful(0.2, 0)};
    domain.refresh_statistics();
    const auto& s = domain.statistics;
    EXPECT_EQ(domain.measurement_level(server_error), DomainMeasurementLevel::error);
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
    EXPECT_EQ(domain.measurement_level(slow_local), DomainMeasurementLevel::normal);
    EXPECT_EQ(domain.measurement_level(local_with_error), DomainMeasurementLevel::normal);
}

TEST(Statistics, timed_out_request_is_the_highest_time_when_nothing_was_slower)
{
    MonitoredDomain domain;
    domain.measurements = {failed(15.0, 600)};
    for (int i = 1; i <= 9; ++i)
        domain.measurements.append(successful(0.2, 600 - 60 * i));
    domain.refresh_statistics();
    EXPECT_EQ(domain.statistics.highest_total_time, 15.0);
    // Ten values keep indices 1..8: the timeout at the top is trimmed away.
    EXPECT_DOUBLE_EQ(*domain.statistics.average_total_time, 0.2);
}

TEST(Statistics, longest_disturbance_is_the_longest_timed_period)
{
    MonitoredDomain domain;
    domain.interval_seconds = 60;
    // Oldest first: failure at 0 recovered at 60; failures 180..300 recovered at 360;
    // an ongoing failure at 420.
    const QList<DomainMeasurement> chronological = {
        failed(1.0, 0),   successful(0.2, 60), successful(0.2, 120), failed(1.0, 180),
        failed(1.0, 240), failed(1.0, 300),    successful(0.2, 360), failed(1.0, 420)};
    for (const auto& m : chronological)
        domain.measurements.prepend(m);
    domain.refresh_statistics();
    ASSERT_EQ(domain.statistics.disturbance_periods.size(), 3);
    EXPECT_EQ(domain.statistics.longest_disturbance_duration, 180.0);
    EXPECT_FALSE(domain.statistics.disturbance_periods[2].duration);
}

TEST(Statistics, levels_follow_the_average_as_the_history_changes)
{
    MonitoredDomain domain;
    const DomainMeasurement candidate = successful(1.0, 0);
    domain.measurements = {candidate};
    for (int i = 1; i <= 20; ++i)
        domain.measurements.prepend(successful(0.2, 60 * i));
    domain.refresh_statistics();
    EXPECT_EQ(domain.measurement_level(candidate), DomainMeasurementLevel::delay);

    for (int i = 21; i <= 60; ++i)
        domain.measurements.prepend(successful(0.9, 60 * i));
    domain.refresh_statistics();
    EXPECT_EQ(domain.measurement_level(candidate), DomainMeasurementLevel::normal);
}

TEST(MeasurementLevel, titles_and_keys_cover_every_level)
{
    const std::vector<std::pair<DomainMeasurementLevel, const char*>> keys = {
        {Level::normal, "normal"},
        {Level::delay, "delay"},
        {Level::disturbance, "disturbance"},
        {Level::outage, "outage"},
        {Level::error, "error"}};
    for (const auto& [level, key] : keys) {
        EXPECT_EQ(domain_measurement_level_key(level), QString::fromLatin1(key));
        EXPECT_FALSE(domain_measurement_level_title(level).isEmpty());
    }
}

} // namespace
