#include "i18n/MeasurementFormatter.h"

#include "LanguagePreferenceTest.h"
#include "i18n/DateFormatter.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct SecondsCase {
    QString (*format)(std::optional<double>);
    std::optional<double> seconds;
    const char16_t* english;
    const char16_t* dutch;
};

TEST_F(LanguagePreferenceTest, DurationAndMinutes)
{
    using MeasurementFormatter::duration;
    using MeasurementFormatter::minutes;
    const SecondsCase cases[] = {
        {duration, std::nullopt, u"-", u"-"},           {duration, 0.2346, u"235 ms", u"235 ms"},
        {duration, 0.9999, u"1000 ms", u"1000 ms"},     {duration, 1.5, u"1.50 s", u"1,50 s"},
        {duration, 1234.5, u"1234.50 s", u"1234,50 s"}, {minutes, 59.9, u"< 1 min", u"< 1 min"},
        {minutes, 60.0, u"1.0 min", u"1,0 min"},        {minutes, 90.0, u"1.5 min", u"1,5 min"},
        {minutes, 7200.0, u"120.0 min", u"120,0 min"},
    };
    in_each_language([&](bool dutch) {
        for (const auto& c : cases) {
            EXPECT_EQ(c.format(c.seconds), QString::fromUtf16(dutch ? c.dutch : c.english))
                << c.seconds.value_or(-1);
        }
    });
}

struct NumberCase {
    const char* format;
    double value;
    const char16_t* english;
    const char16_t* dutch;
};

TEST_F(LanguagePreferenceTest, Number)
{
    const NumberCase cases[] = {
        {"%.2f", 1234.5, u"1234.50", u"1234,50"},
        {"%.2f", 9.999, u"10.00", u"10,00"},
        {"%.3f", -0.0004, u"-0.000", u"-0,000"},
        {"%6.2f", 3.14159, u"  3.14", u"  3,14"},
        // Literal dots belong to the text, not to the number.
        {"approx. %.1f km.", 3.14, u"approx. 3.1 km.", u"approx. 3,1 km."},
        {"%.0f%% of 1.5", 42.4, u"42% of 1.5", u"42% of 1.5"},
        {"%'.1f", 1234.5, u"1234.5", u"1234,5"},
        {"%d. item", 1.5, u"%d. item", u"%d. item"},
        {"\u00b1%.1f \u00b0C", 21.04,
         u"\u00b1"
         "21.0 \u00b0C",
         u"\u00b1"
         "21,0 \u00b0C"},
    };
    in_each_language([&](bool dutch) {
        for (const auto& c : cases) {
            EXPECT_EQ(MeasurementFormatter::number(c.format, c.value),
                      QString::fromUtf16(dutch ? c.dutch : c.english))
                << c.format;
        }
    });
}

struct DateCase {
    const char* name;
    QDateTime instant;
    const char16_t* english_date_time;
    const char16_t* english_date;
    const char16_t* english_time;
    const char16_t* dutch_date_time;
    const char16_t* dutch_date;
    const char16_t* dutch_time;
};

// The test process runs in Europe/Amsterdam, so UTC instants show an hour later in
// winter and two hours later in summer. en_US puts the month first, nl_NL the day.
TEST_F(LanguagePreferenceTest, DatesAndTimesInLocalTime)
{
    const DateCase cases[] = {
        {"winter", QDateTime(QDate(2025, 1, 31), QTime(9, 15), QTimeZone::utc()),
         u"1/31/25, 10:15:00\u202FAM", u"1/31/25", u"10:15:00\u202FAM", u"31-01-2025 10:15:00",
         u"31-01-2025", u"10:15:00"},
        {"summer", QDateTime(QDate(2025, 7, 4), QTime(16, 5, 9), QTimeZone::utc()),
         u"7/4/25, 6:05:09\u202FPM", u"7/4/25", u"6:05:09\u202FPM", u"04-07-2025 18:05:09",
         u"04-07-2025", u"18:05:09"},
    };
    in_each_language([&](bool dutch) {
        EXPECT_STREQ(MeasurementFormatter::locale_id(), dutch ? "nl_NL" : "en_US");
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(MeasurementFormatter::date_time().string(c.instant),
                      QString::fromUtf16(dutch ? c.dutch_date_time : c.english_date_time));
            EXPECT_EQ(MeasurementFormatter::date().string(c.instant),
                      QString::fromUtf16(dutch ? c.dutch_date : c.english_date));
            EXPECT_EQ(MeasurementFormatter::time().string(c.instant),
                      QString::fromUtf16(dutch ? c.dutch_time : c.english_time));
        }
    });
}

TEST(DateFormatterTest, FormatsTheInstantWhateverItsZone)
{
    const QDateTime utc(QDate(2025, 1, 31), QTime(9, 15), QTimeZone::utc());
    const QDateTime tokyo = utc.toTimeZone(QTimeZone("Asia/Tokyo"));
    const DateFormatter formatter("nl_NL", DateFormatter::Style::short_style,
                                  DateFormatter::Style::medium_style);
    EXPECT_EQ(formatter.string(tokyo), formatter.string(utc));
    EXPECT_EQ(formatter.string(utc), u"31-01-2025 10:15:00"_s);
    // An invalid instant, or neither a date nor a time asked for, gives empty text.
    EXPECT_EQ(formatter.string(QDateTime()), QString());
    const DateFormatter nothing("en_US", DateFormatter::Style::none, DateFormatter::Style::none);
    EXPECT_EQ(nothing.string(utc), QString());
}

} // namespace
