#pragma once

#include "i18n/DateFormatter.h"

#include <QString>

#include <optional>

// Dates, times, durations and numbers in the current language. Every call looks
// at the language afresh, so a change of language applies at once.
namespace MeasurementFormatter {

// "nl_NL" when Dutch applies, "en_US" otherwise.
const char* locale_id();

// Short date and medium time styles in the local time zone.
DateFormatter date_time();
DateFormatter date();
DateFormatter time();
// The short time style: "2:30 PM" in English, "14:30" in Dutch (chart axes).
DateFormatter hour_minute();

// "-" when absent; "1.50 s" from one second up; "235 ms" below.
QString duration(std::optional<double> seconds);
// "-" when absent; "< 1 min" below a minute; "1.5 min" from a minute up.
QString minutes(std::optional<double> seconds);

// A printf-style format of one double (such as "%.2f s"), with the current
// language's decimal separator and no digit grouping. Only the number's decimal
// point is localised; literal text, and any conversion that is not of a double,
// is kept as written.
QString number(const char* printf_format, double value);

} // namespace MeasurementFormatter
