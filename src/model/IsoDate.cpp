#include "model/IsoDate.h"

#include <algorithm>

namespace {

constexpr qint64 msecs_per_second = 1000;
constexpr qint64 seconds_per_day = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
qint64 days_from_civil(qint64 year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const auto year_of_era = unsigned(year - era * 400);
    const unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + qint64(day_of_era) - 719468;
}

struct CivilDate {
    qint64 year;
    unsigned month;
    unsigned day;
};

CivilDate civil_from_days(qint64 days)
{
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const auto day_of_era = unsigned(days - era * 146097);
    const unsigned year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const unsigned day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const unsigned mp = (5 * day_of_year + 2) / 153;
    const unsigned day = day_of_year - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {qint64(year_of_era) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

bool is_leap_year(qint64 year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned days_in_month(qint64 year, unsigned month)
{
    static constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

// Reads `count` decimal digits at `position`, advancing it.
std::optional<unsigned> read_digits(std::string_view text, size_t& position, size_t count)
{
    if (position + count > text.size())
        return std::nullopt;
    unsigned value = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[position + i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + unsigned(c - '0');
    }
    position += count;
    return value;
}

bool expect(std::string_view text, size_t& position, char c)
{
    if (position >= text.size() || text[position] != c)
        return false;
    ++position;
    return true;
}

void write_digits(char* out, unsigned value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

} // namespace

QByteArray IsoDate::format(const QDateTime& instant)
{
    QByteArray text(20, Qt::Uninitialized);
    char buffer[20];
    format_to(instant, buffer);
    std::copy(buffer, buffer + 20, text.data());
    return text;
}

void IsoDate::format_to(const QDateTime& instant, char (&text)[20])
{
    const qint64 msecs = instant.toMSecsSinceEpoch();
    qint64 seconds = msecs / msecs_per_second;
    if (msecs % msecs_per_second < 0)
        --seconds;
    qint64 days = seconds / seconds_per_day;
    qint64 second_of_day = seconds % seconds_per_day;
    if (second_of_day < 0) {
        second_of_day += seconds_per_day;
        --days;
    }
    const CivilDate date = civil_from_days(days);

    char* out = text;
    write_digits(out, unsigned(std::clamp<qint64>(date.year, 0, 9999)), 4);
    out[4] = '-';
    write_digits(out + 5, date.month, 2);
    out[7] = '-';
    write_digits(out + 8, date.day, 2);
    out[10] = 'T';
    write_digits(out + 11, unsigned(second_of_day / 3600), 2);
    out[13] = ':';
    write_digits(out + 14, unsigned(second_of_day / 60 % 60), 2);
    out[16] = ':';
    write_digits(out + 17, unsigned(second_of_day % 60), 2);
    out[19] = 'Z';
}

QByteArray IsoDate::format_with_milliseconds(const QDateTime& instant)
{
    qint64 milliseconds = instant.toMSecsSinceEpoch() % msecs_per_second;
    if (milliseconds < 0)
        milliseconds += msecs_per_second;
    QByteArray text = format(instant);
    char fraction[4] = {'.', 0, 0, 0};
    write_digits(fraction + 1, unsigned(milliseconds), 3);
    text.insert(19, fraction, 4);
    return text;
}

std::optional<QDateTime> IsoDate::parse(std::string_view text)
{
    size_t pos = 0;
    const auto year = read_digits(text, pos, 4);
    if (!year || !expect(text, pos, '-'))
        return std::nullopt;
    const auto month = read_digits(text, pos, 2);
    if (!month || *month < 1 || *month > 12 || !expect(text, pos, '-'))
        return std::nullopt;
    const auto day = read_digits(text, pos, 2);
    if (!day || *day < 1 || *day > days_in_month(*year, *month) || !expect(text, pos, 'T'))
        return std::nullopt;
    const auto hour = read_digits(text, pos, 2);
    if (!hour || *hour > 23 || !expect(text, pos, ':'))
        return std::nullopt;
    const auto minute = read_digits(text, pos, 2);
    if (!minute || *minute > 59 || !expect(text, pos, ':'))
        return std::nullopt;
    const auto second = read_digits(text, pos, 2);
    if (!second || *second > 59)
        return std::nullopt;

    qint64 msecs_of_second = 0;
    if (expect(text, pos, '.')) {
        const size_t fraction_start = pos;
        qint64 scale = 100;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            msecs_of_second += (text[pos] - '0') * scale;
            scale /= 10;
            ++pos;
        }
        if (pos == fraction_start)
            return std::nullopt;
    }

    qint64 offset_seconds = 0;
    if (!expect(text, pos, 'Z')) {
        if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-'))
            return std::nullopt;
        const int sign = text[pos] == '-' ? -1 : 1;
        ++pos;
        const auto offset_hours = read_digits(text, pos, 2);
        if (!offset_hours || *offset_hours > 23 || !expect(text, pos, ':'))
            return std::nullopt;
        const auto offset_minutes = read_digits(text, pos, 2);
        if (!offset_minutes || *offset_minutes > 59)
            return std::nullopt;
        offset_seconds = sign * qint64(*offset_hours * 3600 + *offset_minutes * 60);
    }
    if (pos != text.size())
        return std::nullopt;

    const qint64 seconds = days_from_civil(*year, *month, *day) * seconds_per_day +
                           qint64(*hour) * 3600 + qint64(*minute) * 60 + qint64(*second) -
                           offset_seconds;
    return QDateTime::fromMSecsSinceEpoch(seconds * msecs_per_second + msecs_of_second, Qt::UTC);
}
