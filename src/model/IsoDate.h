#pragma once

#include <QByteArray>
#include <QDateTime>

#include <optional>
#include <string_view>

// ISO 8601 internet date-times, the form of every instant in the data files.
namespace IsoDate {

// "2025-01-31T09:15:00Z": UTC, whole seconds (a fraction is dropped, not rounded).
QByteArray format(const QDateTime& instant);
void format_to(const QDateTime& instant, char (&text)[20]);

// "2025-01-31T09:15:02.417Z": UTC with milliseconds, for exports.
QByteArray format_with_milliseconds(const QDateTime& instant);

// Reads "YYYY-MM-DDTHH:MM:SS" with an optional fraction and "Z" or a "+HH:MM"
// offset. Impossible dates and times (February 30, 25:00) are rejected.
std::optional<QDateTime> parse(std::string_view text);

} // namespace IsoDate
