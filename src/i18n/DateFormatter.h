#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

// Formats instants in the local time zone with a locale's standard date and time
// styles (ICU locale data). Move-only: it owns an ICU formatter.
class DateFormatter {
public:
    enum class Style { none, short_style, medium_style };

    // `locale_id` is an ICU locale such as "en_US" or "nl_NL".
    DateFormatter(const char* locale_id, Style date_style, Style time_style);
    ~DateFormatter();
    DateFormatter(DateFormatter&&) noexcept;
    DateFormatter& operator=(DateFormatter&&) noexcept;

    QString string(const QDateTime& instant) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
