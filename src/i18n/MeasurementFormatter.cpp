#include "i18n/MeasurementFormatter.h"

#include "i18n/L10n.h"

#include <QByteArray>
#include <QLocale>

#include <cstring>

using namespace Qt::StringLiterals;

namespace MeasurementFormatter {

namespace {

QString decimal_point(bool dutch)
{
    static const QLocale dutch_locale(QLocale::Dutch, QLocale::Netherlands);
    static const QLocale english_locale(QLocale::English, QLocale::UnitedStates);
    return (dutch ? dutch_locale : english_locale).decimalPoint();
}

bool is_one_of(char c, const char* set)
{
    return c != '\0' && std::strchr(set, c) != nullptr;
}

// Parses the conversion that starts at format[start] (the character after '%').
// On success returns a normalised conversion for one double, without grouping
// flag or length modifier, and sets `end` past it; otherwise returns empty.
QByteArray double_conversion(const char* format, std::size_t start, std::size_t& end)
{
    QByteArray conversion("%");
    std::size_t i = start;
    for (; is_one_of(format[i], "-+ #0'"); ++i) {
        // The grouping flag is left out: numbers are shown without digit grouping.
        if (format[i] != '\'')
            conversion += format[i];
    }
    for (; is_one_of(format[i], "0123456789"); ++i)
        conversion += format[i];
    if (format[i] == '.') {
        conversion += format[i++];
        for (; is_one_of(format[i], "0123456789"); ++i)
            conversion += format[i];
    }
    // Length modifiers would make the formatter read a long double or an integer.
    for (; is_one_of(format[i], "hlLqjzt"); ++i) {
    }
    if (!is_one_of(format[i], "fFeEgGaA"))
        return QByteArray();
    conversion += format[i];
    end = i + 1;
    return conversion;
}

} // namespace

const char* locale_id()
{
    return L10n::uses_dutch() ? "nl_NL" : "en_US";
}

DateFormatter date_time()
{
    return DateFormatter(locale_id(), DateFormatter::Style::short_style,
                         DateFormatter::Style::medium_style);
}

DateFormatter date()
{
    return DateFormatter(locale_id(), DateFormatter::Style::short_style,
                         DateFormatter::Style::none);
}

DateFormatter time()
{
    return DateFormatter(locale_id(), DateFormatter::Style::none,
                         DateFormatter::Style::medium_style);
}

DateFormatter hour_minute()
{
    return DateFormatter(locale_id(), DateFormatter::Style::none,
                         DateFormatter::Style::short_style);
}

QString duration(std::optional<double> seconds)
{
    if (!seconds)
        return u"-"_s;
    if (*seconds >= 1.0)
        return number("%.2f s", *seconds);
    return number("%.0f ms", *seconds * 1000.0);
}

QString minutes(std::optional<double> seconds)
{
    if (!seconds)
        return u"-"_s;
    if (*seconds < 60.0)
        return u"< 1 min"_s;
    return number("%.1f min", *seconds / 60.0);
}

QString number(const char* printf_format, double value)
{
    const QString point = decimal_point(L10n::uses_dutch());
    // Only the number's own radix point is localised, so the format is taken apart:
    // literal text is copied and each double conversion is formatted on its own.
    QString result;
    QByteArray literal;
    const auto flush_literal = [&] {
        result += QString::fromUtf8(literal);
        literal.clear();
    };
    std::size_t i = 0;
    while (printf_format[i] != '\0') {
        if (printf_format[i] != '%') {
            literal += printf_format[i++];
            continue;
        }
        if (printf_format[i + 1] == '%') {
            literal += '%';
            i += 2;
            continue;
        }
        std::size_t end = 0;
        const QByteArray conversion = double_conversion(printf_format, i + 1, end);
        if (conversion.isEmpty()) {
            // Not a conversion of a double: shown as written rather than misread.
            literal += printf_format[i++];
            continue;
        }
        flush_literal();
        QString formatted = QString::asprintf(conversion.constData(), value);
        formatted.replace(u'.', point);
        result += formatted;
        i = end;
    }
    flush_literal();
    return result;
}

} // namespace MeasurementFormatter
