#include "model/IsoDate.h"

#include "model/RadixSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {

TEST(IsoDate, formats_utc_with_whole_seconds_dropping_the_fraction)
{
    const std::vector<std::pair<QDateTime, const char*>> cases = {
        {QDateTime(QDate(2025, 1, 31), QTime(9, 15, 0, 999), Qt::UTC), "2025-01-31T09:15:00Z"},
        {QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 500), Qt::UTC), "1969-12-31T23:59:59Z"},
        {QDateTime(QDate(2000, 3, 1), QTime(12, 0), Qt::OffsetFromUTC, 3600),
         "2000-03-01T11:00:00Z"},
        {QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC), "9999-12-31T23:59:59Z"},
    };
    for (const auto& [instant, text] : cases)
        EXPECT_EQ(IsoDate::format(instant), QByteArray(text));
}

TEST(IsoDate, parses_zones_and_fractions_to_the_same_instant)
{
    const QDateTime expected(QDate(2025, 1, 31), QTime(9, 15), Qt::UTC);
    for (const char* text : {"2025-01-31T09:15:00Z", "2025-01-31T10:15:00+01:00",
                             "2025-01-31T04:45:00-04:30", "2025-01-31T09:15:00.000Z"}) {
        const auto parsed = IsoDate::parse(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(*parsed, expected) << text;
        EXPECT_EQ(parsed->timeSpec(), Qt::UTC);
    }
    EXPECT_EQ(IsoDate::parse("2025-01-31T09:15:00.25Z")->toMSecsSinceEpoch(),
              expected.toMSecsSinceEpoch() + 250);
}

TEST(IsoDate, rejects_impossible_and_malformed_texts)
{
    for (const char* text :
         {"", "2025-02-29T00:00:00Z", "2100-02-29T00:00:00Z", "2025-13-01T00:00:00Z",
          "2025-04-31T00:00:00Z", "2025-01-31T24:00:00Z", "2025-01-31T23:59:60Z",
          "2025-01-31 09:15:00Z", "2025-01-31T09:15:00", "2025-01-31T09:15:00+0100",
          "2025-01-31T09:15:00.Z", "2025-01-31T09:15:00Zjunk", "2025-01-31"}) {
        EXPECT_FALSE(IsoDate::parse(text)) << text;
    }
    EXPECT_TRUE(IsoDate::parse("2000-02-29T00:00:00Z"));
}

TEST(IsoDate, every_day_of_four_centuries_round_trips)
{
    QDateTime instant(QDate(1900, 1, 1), QTime(13, 7, 9), Qt::UTC);
    for (int day = 0; day < 146097; day += 7) {
        const QDateTime current = instant.addDays(day);
        const QByteArray text = IsoDate::format(current);
        ASSERT_EQ(text, current.toString(Qt::ISODate).toLatin1());
        ASSERT_EQ(IsoDate::parse(text.toStdString()), current);
    }
}

TEST(RadixSort, orders_like_std_sort_including_signs_zeros_and_extremes)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-1e6, 1e6);
    std::vector<double> values = {0.0,
                                  -0.0,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::denorm_min(),
                                  1e-300,
                                  -1e-300};
    for (int i = 0; i < 5000; ++i)
        values.push_back(i % 3 == 0 ? std::round(spread(random)) : spread(random));
    std::vector<double> expected = values;
    std::sort(expected.begin(), expected.end());
    radix_sort(values);
    ASSERT_EQ(values.size(), expected.size());
    for (size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(values[i], expected[i]) << "index " << i;
    EXPECT_TRUE(
        std::signbit(values[std::lower_bound(values.begin(), values.end(), 0.0) - values.begin()]));
}

} // namespace
