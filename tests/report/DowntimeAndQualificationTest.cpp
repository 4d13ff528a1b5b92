#include "LanguagePreferenceTest.h"
#include "ReportTestData.h"
#include "report/DowntimePeriod.h"
#include "report/ReportMeasurements.h"
#include "report/ReportQualification.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace Qt::StringLiterals;

using namespace ReportTestData;

namespace {

QList<DowntimePeriod> periods_of(const MonitoredDomain& domain)
{
    return DowntimePeriod::build(ReportMeasurements::of(domain).assessed, domain.interval_seconds);
}

} // namespace

TEST(DowntimePeriods, are_built_from_runs_of_failures)
{
    using Periods = QList<std::pair<QDateTime, std::optional<double>>>;
    // Each period's first failure and its duration (none while open or not closed in time).
    const std::pair<QList<DomainMeasurement>, Periods> cases[] = {
        // A run closed by a success lasts until that success.
        {{failure(at(10, 0)), failure(at(10, 1)), failure(at(10, 2)), success(at(10, 3))},
         {{at(10, 0), 180.0}}},
        {{failure(at(10, 0)), success(at(10, 5))}, {{at(10, 0), std::nullopt}}},
        // The period reopens after a success; local network issues are ignored.
        {{failure(at(10, 0)), success(at(10, 0, 30)), local_network_issue(at(10, 1)),
          failure(at(10, 2)), local_network_issue(at(10, 3)), success(at(10, 4))},
         {{at(10, 0), 30.0}, {at(10, 2), 120.0}}}};
    for (const auto& [history, expected] : cases) {
        Periods actual;
        for (const DowntimePeriod& period : periods_of(domain_with(history)))
            actual.append({period.first_failure.measured_at, period.duration});
        EXPECT_EQ(actual, expected) << history.size() << " measurements";
    }
}

// The limit is max(2.5 x interval, interval + 30 s), the interval at least 20 s.
TEST(DowntimeGapLimit, joins_failures_up_to_the_limit_and_splits_beyond_it)
{
    // Interval, gap between two failures, periods expected.
    const std::tuple<int, int, int> cases[] = {{60, 150, 1},  {60, 151, 2}, {300, 750, 1},
                                               {300, 751, 2}, {10, 50, 1},  {10, 51, 2}};
    for (const auto& [interval, gap, expected] : cases) {
        const MonitoredDomain domain =
            domain_with({failure(at(10, 0)), failure(at(10, 0).addSecs(gap))},
                        u"https://example.com/"_s, interval);
        EXPECT_EQ(periods_of(domain).size(), expected) << interval << " s, gap " << gap;
    }
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

TEST_F(ReportTexts, durations_and_percentages_use_the_language_decimal_separator)
{
    in_each_language([](bool dutch) {
        EXPECT_EQ(ReportQualification::downtime_duration(std::nullopt),
                  dutch ? u"Onbekend"_s : u"Unknown"_s);
        EXPECT_EQ(ReportQualification::downtime_duration(59.9), u"< 1 min"_s);
        EXPECT_EQ(ReportQualification::downtime_duration(180.0),
                  dutch ? u"3,0 min"_s : u"3.0 min"_s);
        EXPECT_EQ(ReportQualification::percentage(std::nullopt), u"-"_s);
        EXPECT_EQ(ReportQualification::percentage(99.5), dutch ? u"99,50%"_s : u"99.50%"_s);
    });
}

// Speed follows the TTFB bands (0.8 s, 1.8 s), reliability the uptime bands (99.9%, 99%).
TEST_F(ReportTexts, qualifications_follow_the_bands)
{
    using Qualify = QString (*)(std::optional<double>);
    const Qualify speed = &ReportQualification::speed_qualification;
    const Qualify reliability = &ReportQualification::reliability_qualification;
    const char* improve = "voor verbetering vatbaar";
    const std::tuple<Qualify, std::optional<double>, const char*, const char*> cases[] = {
        {speed, std::nullopt, "not available", "niet beschikbaar"},
        {speed, 0.8, "good", "goed"},
        {speed, 0.8001, "needs improvement", improve},
        {speed, 1.8, "needs improvement", improve},
        {speed, 1.81, "poor", "slecht"},
        {reliability, 99.9, "good", "goed"},
        {reliability, 99.89, "needs improvement", improve},
        {reliability, 99.0, "needs improvement", improve},
        {reliability, 98.99, "poor", "slecht"}};
    in_each_language([&](bool dutch) {
        for (const auto& [qualify, value, english, dutch_text] : cases)
            EXPECT_EQ(qualify(value), QString::fromUtf8(dutch ? dutch_text : english))
                << value.value_or(-1);
    });
}

TEST(TrimmedAverage, averages_the_middle_of_the_sorted_values)
{
    // 1..n in a shuffled order, so the sorting is part of what is tested.
    const auto shuffled_one_to = [](int n) {
        std::vector<double> values;
        for (int i = 0; i < n; ++i)
            values.push_back(double((i * 7) % n + 1));
        return values;
    };
    const std::vector<std::pair<std::vector<double>, std::optional<double>>> cases = {
        {{}, std::nullopt},
        {{4.2}, 4.2},
        {shuffled_one_to(10), 5.5},  // positions 1-8: 2..9
        {shuffled_one_to(20), 10.5}, // positions 3-16: 4..17
        {{100.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.0}, 1.0}};
    for (const auto& [values, expected] : cases)
        EXPECT_EQ(ReportQualification::trimmed_average(values), expected) << values.size();
}
