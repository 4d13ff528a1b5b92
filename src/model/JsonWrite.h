#pragma once

#include "model/IsoDate.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <rapidjson/rapidjson.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <array>
#include <cmath>
#include <optional>
#include <string_view>

// Writing of single values through a RapidJSON writer (compact or pretty). The
// caller writes the members of every object in sorted key order.
namespace JsonWrite {

// Upper-case hyphenated text, the canonical form of identifiers in every file.
std::array<char, 36> uuid_text(const QUuid& id);

// The shortest text that reads back as exactly `value`; whole microseconds (what
// the HTTP client measures) take a fast path. Returns the length written.
int number_text(double value, char (&buffer)[32]);

// UTF-8 of `text` in a buffer reused by the calling thread, valid until the next call.
std::string_view utf8(QStringView text);

template <typename Writer>
void key(Writer& writer, std::string_view name)
{
    writer.Key(name.data(), rapidjson::SizeType(name.size()));
}

template <typename Writer>
void string(Writer& writer, QStringView text)
{
    const std::string_view bytes = utf8(text);
    writer.String(bytes.data(), rapidjson::SizeType(bytes.size()));
}

// JSON has no NaN or infinity; such a value is written as 0 rather than
// producing a document no reader accepts.
template <typename Writer>
void number(Writer& writer, double value)
{
    char text[32];
    const int length = number_text(std::isfinite(value) ? value : 0.0, text);
    writer.RawValue(text, size_t(length), rapidjson::kNumberType);
}

template <typename Writer>
void uuid(Writer& writer, const QUuid& id)
{
    const auto text = uuid_text(id);
    writer.String(text.data(), rapidjson::SizeType(text.size()));
}

template <typename Writer>
void instant(Writer& writer, const QDateTime& value)
{
    char text[20];
    IsoDate::format_to(value, text);
    writer.String(text, rapidjson::SizeType(sizeof text));
}

// Optional values produce no key at all when absent (never null); a non-finite
// number counts as absent.
template <typename Writer>
void optional_number(Writer& writer, std::string_view name, const std::optional<double>& value)
{
    if (value && std::isfinite(*value)) {
        key(writer, name);
        number(writer, *value);
    }
}

template <typename Writer>
void optional_string(Writer& writer, std::string_view name, const std::optional<QString>& value)
{
    if (value) {
        key(writer, name);
        string(writer, *value);
    }
}

// Runs `write(writer)` on a compact writer and returns the text.
template <typename Write>
QByteArray compact_text(Write&& write)
{
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    write(writer);
    return QByteArray(buffer.GetString(), qsizetype(buffer.GetSize()));
}

} // namespace JsonWrite
