#include "i18n/DateFormatter.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

struct DateFormatter::Impl {
    // Null when neither a date nor a time was asked for, or ICU could not build one.
    std::unique_ptr<icu::DateFormat> format;
};

namespace {

icu::DateFormat::EStyle icu_style(DateFormatter::Style style)
{
    switch (style) {
    case DateFormatter::Style::none:
        return icu::DateFormat::kNone;
    case DateFormatter::Style::short_style:
        return icu::DateFormat::kShort;
    case DateFormatter::Style::medium_style:
        return icu::DateFormat::kMedium;
    }
    return icu::DateFormat::kNone;
}

icu::DateFormat* create_format(const char* locale_id, DateFormatter::Style date_style,
                               DateFormatter::Style time_style)
{
    const icu::Locale locale(locale_id);
    const bool has_date = date_style != DateFormatter::Style::none;
    const bool has_time = time_style != DateFormatter::Style::none;
    if (has_date && has_time)
        return icu::DateFormat::createDateTimeInstance(icu_style(date_style), icu_style(time_style),
                                                       locale);
    if (has_date)
        return icu::DateFormat::createDateInstance(icu_style(date_style), locale);
    if (has_time)
        return icu::DateFormat::createTimeInstance(icu_style(time_style), locale);
    return nullptr;
}

} // namespace

DateFormatter::DateFormatter(const char* locale_id, Style date_style, Style time_style)
    : impl_(std::make_unique<Impl>())
{
    // ICU takes the default time zone when the formatter is built; that zone
    // follows TZ, so instants come out in local time.
    impl_->format.reset(create_format(locale_id, date_style, time_style));
}

DateFormatter::~DateFormatter() = default;
DateFormatter::DateFormatter(DateFormatter&&) noexcept = default;
DateFormatter& DateFormatter::operator=(DateFormatter&&) noexcept = default;

QString DateFormatter::string(const QDateTime& instant) const
{
    if (!impl_ || !impl_->format || !instant.isValid())
        return QString();
    const auto udate = static_cast<UDate>(instant.toMSecsSinceEpoch());
    icu::UnicodeString formatted;
    impl_->format->format(udate, formatted);
    return QString::fromUtf16(formatted.getBuffer(), formatted.length());
}
