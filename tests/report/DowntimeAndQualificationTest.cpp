#include "LanguagePreferenceTest.h"
#include "ReportTestData.h"
#include "report/DowntimePeriod.h"
#include "report/ReportMeasurements.h"
#include "report/ReportQualification.h"

#include <gtest/gtest.h>

using namespace ReportTestData;

namespace {

QList<DowntimePeriod> periods_of(const MonitoredDomain& domain)
{
    return DowntimePeriod::build(ReportMeasurements::of(domain).assessed, domain.interval_seconds);
}

} // namespace

TEST(DowntimePeriods, a_run_of_failures_closed_by_a_success_lasts_until_that_success)
{
    const MonitoredDomain domain = domain_with(
        {failure(at(10, 0)), failure(at(10, 1)), failure(at(10, 2)), success(at(10, 3))});
    const QList<DowntimePeriod> periods = periods_of(domain);
    ASSERT_EQ(periods.size(), 1);
    EXPECT_EQ(periods[0].first_failure.measured_at, at(10, 0));
    EXPECT_EQ(periods[0].duration, 180.0);
}

TEST(DowntimePeriods, failures_further_apart_than_the_gap_limit_open_a_new_period)
{
    const MonitoredDomain domain = domain_with({failure(at(10, 0)), failure(at(10, 10))});
    const QList<DowntimePeriod> periods = periods_of(domain);
    ASSERT_EQ(periods.size(), 2);
    EXPECT_EQ(periods[0].first_failure.measured_at, at(10, 0));
    EXPECT_FALSE(periods[0].duration.has_value());
    EXPECT_EQ(periods[1].first_failure.measured_at, at(10, 10));
    // Still open at the end of the data.
    EXPECT_FALSE(periods[1].duration.has_value());
}

struct GapCase {
    int interval_seconds;
    int gap_seconds;
    int expected_periods;
};

class DowntimeGapLimit : public ::testing::TestWithParam<GapCase> {};

// The limit is max(2.5 x interval, interval + 30 s), the interval at least 20 s.
TEST_P(DowntimeGapLimit, joins_failures_up_to_the_limit_and_splits_beyond_it)
{
    const GapCase c = GetParam();
    const QDateTime start = at(10, 0);
    const MonitoredDomain domain =
        domain_with({failure(start), failure(start.addSecs(c.gap_seconds))},
                    QStringLiteral("https://example.com/"), c.interval_seconds);
    EXPECT_EQ(periods_of(domain).size(), c.expected_periods);
}

INSTANTIATE_TEST_SUITE_P(Intervals, DowntimeGapLimit,
                         ::testing::Values(GapCase{60, 150, 1}, GapCase{60, 151, 2},
                                           GapCase{300, 750, 1}, GapCase{300, 751, 2},
                                           // 10 s counts as 20 s: the limit is 50 s.
                                           GapCase{10, 50, 1}, GapCase{10, 51, 2},
                                           GapCase{20, 50, 1}, GapCase{20, 51, 2}));

TEST(DowntimePeriods, a_success_long_after_the_last_failure_closes_without_a_duration)
{
    const MonitoredDomain domain = domain_with({failure(at(10, 0)), success(at(10, 5))});
    const QList<DowntimePeriod> periods = periods_of(domain);
    ASSERT_EQ(periods.size(), 1);
    EXPECT_FALSE(periods[0].duration.has_value());
}

TEST(DowntimePeriods, the_period_reopens_after_a_success_and_ignores_local_network_issues)
{
    const MonitoredDomain domain =
        domain_with({failure(at(10, 0)), success(at(10, 0, 30)), local_network_issue(at(10, 1)),
                     failure(at(10, 2)), local_network_issue(at(10, 3)), success(at(10, 4))});
    const QList<DowntimePeriod> periods = periods_of(domain);
    ASSERT_EQ(periods.size(), 2);
    EXPECT_EQ(periods[0].duration, 30.0);
    EXPECT_EQ(periods[1].first_failure.measured_at, at(10, 2));
    EXPECT_EQ(periods[1].duration, 120.0);
}

TEST(DowntimePeriods, only_local_network_issues_give_no_period_and_no_uptime)
{
    const MonitoredDomain domain =
        domain_with({local_network_issue(at(10, 0)), local_network_issue(at(10, 1))});
    const ReportMeasurements measurements = ReportMeasurements::of(domain);
    EXPECT_TRUE(periods_of(domain).isEmpty());
    EXPECT_FALSE(measurements.uptime.has_value());
    EXPECT_FALSE(measurements.fastest.has_value());
    EXPECT_EQ(measurements.sorted.size(), 2);
    EXPECT_TRUE(measurements.assessed.isEmpty());
}

TEST(ReportMeasurementsTest, sorts_oldest_first_and_derives_fastest_and_uptime)
{
    MonitoredDomain domain = domain_with({success(at(10, 2), 0.5), success(at(10, 0), 0.25),
                                          failure(at(10, 1)), local_network_issue(at(10, 3))});
    // A history out of order (an imported file) is sorted all the same.
    std::swap(domain.measurements[0], domain.measurements[2]);
    const ReportMeasurements m = ReportMeasurements::of(domain);
    ASSERT_EQ(m.sorted.size(), 4);
    EXPECT_EQ(m.sorted.first()->measured_at, at(10, 0));
    EXPECT_EQ(m.sorted.last()->measured_at, at(10, 3));
    EXPECT_EQ(m.first, at(10, 0));
    EXPECT_EQ(m.last, at(10, 3));
    EXPECT_EQ(m.assessed.size(), 3);
    EXPECT_EQ(m.failed.size(), 1);
    EXPECT_EQ(m.successful.size(), 2);
    EXPECT_EQ(m.fastest, 0.25);
    EXPECT_DOUBLE_EQ(*m.uptime, 100.0 * 2.0 / 3.0);
}

class ReportTexts : public LanguagePreferenceTest {};

TEST_F(ReportTexts, downtime_durations)
{
    in_each_language([](bool dutch) {
        EXPECT_EQ(ReportQualification::downtime_duration(std::nullopt),
                  dutch ? QStringLiteral("Onbekend") : QStringLiteral("Unknown"));
        EXPECT_EQ(ReportQualification::downtime_duration(30.0), QStringLiteral("< 1 min"));
        EXPECT_EQ(ReportQualification::downtime_duration(59.9), QStringLiteral("< 1 min"));
        EXPECT_EQ(ReportQualification::downtime_duration(180.0),
                  dutch ? QStringLiteral("3,0 min") : QStringLiteral("3.0 min"));
    });
}

TEST_F(ReportTexts, percentages_use_the_language_decimal_separator)
{
    in_each_language([](bool dutch) {
        EXPECT_EQ(ReportQualification::percentage(std::nullopt), QStringLiteral("-"));
        EXPECT_EQ(ReportQualification::percentage(99.5),
                  dutch ? QStringLiteral("99,50%") : QStringLiteral("99.50%"));
        EXPECT_EQ(ReportQualification::percentage(100.0),
                  dutch ? QStringLiteral("100,00%") : QStringLiteral("100.00%"));
    });
}

struct QualificationCase {
    std::optional<double> value;
    const char* english;
    const char* dutch;
};

class SpeedQualification : public LanguagePreferenceTest,
                           public ::testing::WithParamInterface<QualificationCase> {};

TEST_P(SpeedQualification, follows_the_ttfb_bands)
{
    const QualificationCase c = GetParam();
    in_each_language([&](bool dutch) {
        EXPECT_EQ(ReportQualification::speed_qualification(c.value),
                  QString::fromUtf8(dutch ? c.dutch : c.english));
    });
}

INSTANTIATE_TEST_SUITE_P(
    Bands, SpeedQualification,
    ::testing::Values(QualificationCase{std::nullopt, "not available", "niet beschikbaar"},
                      QualificationCase{0.0, "good", "goed"},
                      QualificationCase{0.8, "good", "goed"},
                      QualificationCase{0.8001, "needs improvement", "voor verbetering vatbaar"},
                      QualificationCase{1.8, "needs improvement", "voor verbetering vatbaar"},
                      QualificationCase{1.81, "poor", "slecht"}));

class ReliabilityQualification : public LanguagePreferenceTest,
                                 public ::testing::WithParamInterface<QualificationCase> {};

TEST_P(ReliabilityQualification, follows_the_uptime_bands)
{
    const QualificationCase c = GetParam();
    in_each_language([&](bool dutch) {
        EXPECT_EQ(ReportQualification::reliability_qualification(c.value),
                  QString::fromUtf8(dutch ? c.dutch : c.english));
    });
}

INSTANTIATE_TEST_SUITE_P(
    Bands, ReliabilityQualification,
    ::testing::Values(QualificationCase{std::nullopt, "not available", "niet beschikbaar"},
                      QualificationCase{100.0, "good", "goed"},
                      QualificationCase{99.9, "good", "goed"},
                      QualificationCase{99.89, "needs improvement", "voor verbetering vatbaar"},
                      QualificationCase{99.0, "needs improvement", "voor verbetering vatbaar"},
                      QualificationCase{98.99, "poor", "slecht"}));

struct TrimmedCase {
    std::vector<double> values;
    std::optional<double> expected;
};

class TrimmedAverage : public ::testing::TestWithParam<TrimmedCase> {};

TEST_P(TrimmedAverage, averages_the_middle_of_the_sorted_values)
{
    const TrimmedCase c = GetParam();
    const std::optional<double> average = ReportQualification::trimmed_average(c.values);
    ASSERT_EQ(average.has_value(), c.expected.has_value());
    if (c.expected)
        EXPECT_DOUBLE_EQ(*average, *c.expected);
}

namespace {

// 1..n in a shuffled order, so the sorting is part of what is tested.
std::vector<double> shuffled_one_to(int n)
{
    std::vector<double> values;
    for (int i = 0; i < n; ++i)
        values.push_back(double((i * 7) % n + 1));
    return values;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Counts, TrimmedAverage,
    ::testing::Values(TrimmedCase{{}, std::nullopt}, TrimmedCase{{4.2}, 4.2},
                      // Positions 1-8 of 1..10: 2..9.
                      TrimmedCase{shuffled_one_to(10), 5.5},
                      // Positions 3-16 of 1..20: 4..17.
                      TrimmedCase{shuffled_one_to(20), 10.5},
                      // Outliers at both ends are left out.
                      TrimmedCase{{100.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.0}, 1.0}));
