#include "LanguagePreferenceTest.h"
#include "ReportTestData.h"
#include "report/DowntimePeriod.h"
#include "report/ReportMeasurements.h"
#include "report/ReportQualification.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace ReportTestData;

namespace {

QList<DowntimePeriod> periods_of(const MonitoredDomain& domain)
{
    return DowntimePeriod::build(ReportMeasurements::of(domain).assessed, domain.interval_seconds);
}

} // namespace

struct PeriodCase {
    const char* name;
    QList<DomainMeasurement> history;
    // Each period's first failure and its duration (none while still open or unclosed).
    QList<std::pair<QDateTime, std::optional<double>>> expected;
};

class DowntimePeriods : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(DowntimePeriods, are_built_from_runs_of_failures)
{
    const PeriodCase& c = GetParam();
    QList<std::pair<QDateTime, std::optional<double>>> actual;
    for (const DowntimePeriod& period : periods_of(domain_with(c.history)))
        actual.append({period.first_failure.measured_at, period.duration});
    EXPECT_EQ(actual, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Histories, DowntimePeriods,
    ::testing::Values(
        // A run closed by a success lasts until that success.
        PeriodCase{"closed_by_a_success",
                   {failure(at(10, 0)), failure(at(10, 1)), failure(at(10, 2)), success(at(10, 3))},
                   {{at(10, 0), 180.0}}},
        // Failures further apart than the gap limit open a new period; the last is still open.
        PeriodCase{"split_by_the_gap_limit",
                   {failure(at(10, 0)), failure(at(10, 10))},
                   {{at(10, 0), std::nullopt}, {at(10, 10), std::nullopt}}},
        PeriodCase{"success_long_after_the_last_failure",
                   {failure(at(10, 0)), success(at(10, 5))},
                   {{at(10, 0), std::nullopt}}},
        // The period reopens after a success; local network issues are ignored.
        PeriodCase{"reopened_around_local_network_issues",
                   {failure(at(10, 0)), success(at(10, 0, 30)), local_network_issue(at(10, 1)),
                    failure(at(10, 2)), local_network_issue(at(10, 3)), success(at(10, 4))},
                   {{at(10, 0), 30.0}, {at(10, 2), 120.0}}}),
    [](const auto& info) { return std::string(info.param.name); });

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
                    u"https://example.com/"_s, c.interval_seconds);
    EXPECT_EQ(periods_of(domain).size(), c.expected_periods);
}

INSTANTIATE_TEST_SUITE_P(Intervals, DowntimeGapLimit,
                         ::testing::Values(GapCase{60, 150, 1}, GapCase{60, 151, 2},
                                           GapCase{300, 750, 1}, GapCase{300, 751, 2},
                                           // 10 s counts as 20 s: the limit is 50 s.
                                           GapCase{10, 50, 1}, GapCase{10, 51, 2},
                                           GapCase{20, 50, 1}, GapCase{20, 51, 2}));

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

TEST_F(ReportTexts, durations_and_percentages_use_the_language_decimal_separator)
{
    in_each_language([](bool dutch) {
        EXPECT_EQ(ReportQualification::downtime_duration(std::nullopt),
                  dutch ? u"Onbekend"_s : u"Unknown"_s);
        EXPECT_EQ(ReportQualification::downtime_duration(30.0), u"< 1 min"_s);
        EXPECT_EQ(ReportQualification::downtime_duration(59.9), u"< 1 min"_s);
        EXPECT_EQ(ReportQualification::downtime_duration(180.0),
                  dutch ? u"3,0 min"_s : u"3.0 min"_s);
        EXPECT_EQ(ReportQualification::percentage(std::nullopt), u"-"_s);
        EXPECT_EQ(ReportQualification::percentage(99.5), dutch ? u"99,50%"_s : u"99.50%"_s);
        EXPECT_EQ(ReportQualification::percentage(100.0), dutch ? u"100,00%"_s : u"100.00%"_s);
    });
}

using Qualify = QString (*)(std::optional<double>);

struct QualificationCase {
    Qualify qualify;
    std::optional<double> value;
    const char* english;
    const char* dutch;
};

class Qualification : public LanguagePreferenceTest,
                      public ::testing::WithParamInterface<QualificationCase> {};

// Speed follows the TTFB bands (0.8 s, 1.8 s), reliability the uptime bands (99.9%, 99%).
TEST_P(Qualification, follows_the_bands)
{
    const QualificationCase c = GetParam();
    in_each_language([&](bool dutch) {
        EXPECT_EQ(c.qualify(c.value), QString::fromUtf8(dutch ? c.dutch : c.english));
    });
}

constexpr Qualify speed = &ReportQualification::speed_qualification;
constexpr Qualify reliability = &ReportQualification::reliability_qualification;
constexpr const char* improve = "voor verbetering vatbaar";

INSTANTIATE_TEST_SUITE_P(
    Bands, Qualification,
    ::testing::Values(QualificationCase{speed, std::nullopt, "not available", "niet beschikbaar"},
                      QualificationCase{speed, 0.0, "good", "goed"},
                      QualificationCase{speed, 0.8, "good", "goed"},
                      QualificationCase{speed, 0.8001, "needs improvement", improve},
                      QualificationCase{speed, 1.8, "needs improvement", improve},
                      QualificationCase{speed, 1.81, "poor", "slecht"},
                      QualificationCase{reliability, std::nullopt, "not available",
                                        "niet beschikbaar"},
                      QualificationCase{reliability, 100.0, "good", "goed"},
                      QualificationCase{reliability, 99.9, "good", "goed"},
                      QualificationCase{reliability, 99.89, "needs improvement", improve},
                      QualificationCase{reliability, 99.0, "needs improvement", improve},
                      QualificationCase{reliability, 98.99, "poor", "slecht"}));

struct TrimmedCase {
    std::vector<double> values;
    std::optional<double> expected;
};

class TrimmedAverage : public ::testing::TestWithParam<TrimmedCase> {};

TEST_P(TrimmedAverage, averages_the_middle_of_the_sorted_values)
{
    const TrimmedCase c = GetParam();
    EXPECT_EQ(ReportQualification::trimmed_average(c.values), c.expected);
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
