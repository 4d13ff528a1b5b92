#include "ReportTestData.h"
#include "report/HeartbeatStrip.h"
#include "report/ReportMeasurements.h"
#include "report/TotalTimeChart.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace ReportTestData;

namespace {

const QRectF strip_box(34.0, 100.0, 774.0, 9.0);
const QRectF chart_box(34.0, 200.0, 774.0, 118.0);

HeartbeatStrip strip_of(const MonitoredDomain& domain)
{
    return HeartbeatStrip::layout(domain, ReportMeasurements::of(domain).sorted, strip_box);
}

TotalTimeChart chart_of(const MonitoredDomain& domain)
{
    return TotalTimeChart::layout(domain, ReportMeasurements::of(domain).assessed, chart_box);
}

} // namespace

TEST(Heartbeat, each_measurement_covers_the_time_until_the_next_in_its_colour)
{
    // 0-10 min normal, 10-20 failed, 20-40 local network issue; the last covers nothing.
    const MonitoredDomain domain =
        domain_with({success(at(10, 0)), failure(at(10, 10)), local_network_issue(at(10, 20)),
                     success(at(10, 40))});
    const HeartbeatStrip strip = strip_of(domain);
    const QList<HeartbeatStrip::Segment> expected = {
        {34.0, 34.0 + 774.0 * 0.25, ReportColor::primary},
        {34.0 + 774.0 * 0.25, 34.0 + 774.0 * 0.5, ReportColor::red},
        {34.0 + 774.0 * 0.5, 808.0, ReportColor::orange},
    };
    EXPECT_EQ(strip.segments, expected);
    // One measurement, or two at one instant, draw nothing and never divide by zero.
    EXPECT_TRUE(strip_of(domain_with({success(at(10, 0))})).segments.isEmpty());
    EXPECT_TRUE(strip_of(domain_with({success(at(10, 0)), failure(at(10, 0))})).segments.isEmpty());
}

TEST(Heartbeat, neighbours_of_one_colour_become_one_segment)
{
    QList<DomainMeasurement> history;
    for (int minute = 0; minute < 60; ++minute)
        history.append(minute == 50 || minute == 51 ? failure(at(10, minute))
                                                    : success(at(10, minute)));
    const QList<HeartbeatStrip::Segment> segments = strip_of(domain_with(history)).segments;
    ASSERT_EQ(segments.size(), 3);
    const QList<ReportColor> colours = {ReportColor::primary, ReportColor::red,
                                        ReportColor::primary};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(segments[i].color, colours[i]) << i;
        EXPECT_DOUBLE_EQ(segments[i].right, i < 2 ? segments[i + 1].left : 808.0) << i;
    }
}

TEST(Heartbeat, stretches_thinner_than_a_printed_dot_are_drawn_together_in_their_main_colour)
{
    // A minute of a hundred days is 0.005 points: eight failures in a row show, a lone one not.
    QList<DomainMeasurement> history;
    for (int minute = 0; minute < 40; ++minute) {
        const QDateTime instant = at(10, 0).addSecs(60 * minute);
        const bool failed = (minute >= 10 && minute < 18) || minute == 30;
        history.append(failed ? failure(instant) : success(instant));
    }
    history.append(success(at(10, 0).addDays(100)));
    const QList<HeartbeatStrip::Segment> segments = strip_of(domain_with(history)).segments;
    ASSERT_EQ(segments.size(), 3);
    EXPECT_EQ(segments[1].color, ReportColor::red);
    EXPECT_GE(segments[0].right - segments[0].left, HeartbeatStrip::finest_width);
    EXPECT_GE(segments[1].right - segments[1].left, HeartbeatStrip::finest_width);
    EXPECT_EQ(segments[2].color, ReportColor::primary);
    EXPECT_DOUBLE_EQ(segments[2].right, 808.0);
}

TEST(Heartbeat, level_colours_follow_the_statistics)
{
    MonitoredDomain domain = domain_with(
        {success(at(10, 0)), success(at(10, 1)), success(at(10, 2)), success(at(10, 3))});
    const auto& [outage, disturbance, delay, normal] =
        std::tie(domain.measurements[0], domain.measurements[1], domain.measurements[2],
                 domain.measurements[3]);
    domain.statistics.outage_measurement_ids = {outage.id};
    domain.statistics.disturbance_measurement_ids = {outage.id, disturbance.id};
    domain.statistics.delay_measurement_ids = {delay.id};
    EXPECT_EQ(HeartbeatStrip::level_color(domain, outage), ReportColor::red);
    EXPECT_EQ(HeartbeatStrip::level_color(domain, disturbance), ReportColor::orange);
    EXPECT_EQ(HeartbeatStrip::level_color(domain, delay), ReportColor::yellow);
    EXPECT_EQ(HeartbeatStrip::level_color(domain, normal), std::nullopt);
}

TEST(TotalTimeChartTest, the_scale_reaches_the_largest_value_between_8_8_and_10_seconds)
{
    const std::pair<std::optional<double>, double> cases[] = {
        {std::nullopt, 8.8}, {0.2, 8.8}, {9.5, 9.5}, {12.0, 10.0}};
    for (const auto& [largest, top] : cases)
        EXPECT_DOUBLE_EQ(TotalTimeChart::top_value_for(largest), top) << largest.value_or(-1);
}

TEST(TotalTimeChartTest, a_large_outlier_caps_the_scale_at_ten_seconds_and_sits_on_the_top_edge)
{
    const MonitoredDomain domain = domain_with({success(at(10, 0), 0.3), success(at(10, 1), 12.0)});
    const TotalTimeChart chart = chart_of(domain);
    EXPECT_EQ(chart.top_value, 10.0);
    ASSERT_EQ(chart.points.size(), 2);
    EXPECT_DOUBLE_EQ(chart.points[1].position.y(), chart_box.top());
    EXPECT_DOUBLE_EQ(chart.points[1].position.x(), 808.0);
    EXPECT_DOUBLE_EQ(chart.points[0].position.x(), 34.0);
    EXPECT_DOUBLE_EQ(chart.points[0].position.y(), chart_box.bottom() - 118.0 * 0.3 / 10.0);
}

TEST(TotalTimeChartTest, thresholds_follow_the_average)
{
    const std::pair<std::optional<double>, QList<double>> cases[] = {
        {std::nullopt, {1.5, 3.0, 8.0}},
        {0.2, {0.6000000000000001, 3.0, 8.0}},
        {1.0, {1.5, 5.0, 8.0}},
        // 5 x 2.0 is capped at 8.0, which is not below 8.0: no disturbance line.
        {2.0, {1.5, 8.0}}};
    for (const auto& [average, expected] : cases) {
        MonitoredDomain domain = domain_with({success(at(10, 0)), success(at(10, 1))});
        domain.statistics.average_total_time = average;
        QList<double> values;
        for (const TotalTimeChart::Threshold& threshold : chart_of(domain).thresholds)
            values.append(threshold.value);
        EXPECT_EQ(values, expected) << average.value_or(-1);
    }
}

TEST(TotalTimeChartTest, without_a_successful_measurement_there_is_nothing_to_plot)
{
    EXPECT_FALSE(chart_of(domain_with({failure(at(10, 0))})).has_successful);
    EXPECT_FALSE(chart_of(domain_with({local_network_issue(at(10, 0))})).has_successful);
}

TEST(TotalTimeChartTest, points_in_one_column_keep_first_lowest_highest_last_and_one_dot_per_spot)
{
    // 60 measurements a second apart over 100 days: all fall in the first column.
    QList<DomainMeasurement> history;
    for (int i = 0; i < 60; ++i)
        history.append(success(at(10, 0).addSecs(i), 0.3 + 0.001 * double(i % 7)));
    history[10].total_time = 0.1;  // lowest
    history[20].total_time = 0.9;  // highest
    for (const int i : {30, 31}) { // two dots on one spot
        history[i] = failure(history[i].measured_at);
        history[i].total_time = 0.5;
    }
    history.append(success(at(10, 0).addDays(100), 0.3));
    const MonitoredDomain domain = domain_with(history);
    const TotalTimeChart chart = chart_of(domain);

    ASSERT_EQ(chart.points.size(), 6);
    EXPECT_DOUBLE_EQ(chart.points[0].position.y(), chart.y_of(0.3));
    EXPECT_DOUBLE_EQ(chart.points[1].position.y(), chart.y_of(0.1));
    EXPECT_DOUBLE_EQ(chart.points[2].position.y(), chart.y_of(0.9));
    EXPECT_TRUE(chart.points[3].failed);
    EXPECT_EQ(chart.points[3].dot, ReportColor::red);
    EXPECT_DOUBLE_EQ(chart.points[4].position.y(), chart.y_of(history[59].total_time));
    EXPECT_DOUBLE_EQ(chart.points[5].position.x(), 808.0);
    const QList<TotalTimeChart::Dot> dots = {{chart.points[3].position, ReportColor::red}};
    EXPECT_EQ(chart.dots, dots);
}
