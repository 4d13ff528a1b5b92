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
namespace JsonWrite
{

// Upper-case hyphenated text, the canonical form of identifiers in every file.
std::array<char, 36> uuid_text(const QUuid& id);

template <typename Writer>
void key(Writer& writer, std::string_view name)
{
    writer.Key(name.data(), rapidjson::SizeType(name.size()));
}

template <typename Writer>
void string(Writer& writer, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    writer.String(utf8.constData(), rapidjson::SizeType(utf8.size()));
}

// JSON has no NaN or infinity; such a value is written as 0 rather than
// producing a document no reader accepts.
template <typename Writer>
void number(Writer& writer, double value)
{
    writer.Double(std::isfinite(value) ? value : 0.0);
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
    const QByteArray text = IsoDate::format(value);
    writer.String(text.constData(), rapidjson::SizeType(text.size()));
}

// Optional values produce no key at all when absent (never null); a non-finite
// number counts as absent.
template <typename Writer>
void optional_number(Writer& writer, std::string_view name, const std::optional<double>& value)
{
    if (value && std::isfinite(*value)) {
        key(writer, name);
        writer.Double(*value);
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
