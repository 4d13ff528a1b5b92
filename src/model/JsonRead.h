#pragma once

#include "model/Expected.h"
#include "model/JsonPath.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <rapidjson/document.h>

#include <optional>
#include <string_view>
#include <utility>

// Typed reading of single JSON values. Each function checks the value's type
// and range and names `path` in the error when the value does not fit.
namespace JsonRead {

// Parses a whole document: strict UTF-8, no trailing content, any nesting depth,
// numbers converted exactly.
std::optional<DecodeError> parse(QByteArrayView text, rapidjson::Document& document);

// The message of a failed parse, for readers that parse streams themselves.
DecodeError parse_error(const rapidjson::ParseResult& result, bool number_out_of_range);

std::string_view key_of(const rapidjson::Value::Member& member);

DecodeResult<QString> string(const rapidjson::Value& value, const JsonPath& path);
DecodeResult<double> number(const rapidjson::Value& value, const JsonPath& path);
// A whole number within the range of int (20.0 is accepted, 20.5 and 1e10 are not).
DecodeResult<int> integer(const rapidjson::Value& value, const JsonPath& path);
DecodeResult<bool> boolean(const rapidjson::Value& value, const JsonPath& path);
// Canonical hyphenated text; lower-case hex digits are accepted.
DecodeResult<QUuid> uuid(const rapidjson::Value& value, const JsonPath& path);
DecodeResult<QUuid> uuid_text(std::string_view text, const JsonPath& path);
DecodeResult<QDateTime> instant(const rapidjson::Value& value, const JsonPath& path);

// Parses `text` and decodes its root with `reader(value, path)`.
template <typename Reader>
auto decode_text(QByteArrayView text, Reader reader)
    -> decltype(reader(std::declval<const rapidjson::Value&>(), JsonPath()))
{
    rapidjson::Document document;
    if (auto error = parse(text, document))
        return *std::move(error);
    return reader(document, JsonPath());
}

DecodeError missing_key(const JsonPath& object_path, std::string_view key);
DecodeError wrong_type(const JsonPath& path, const char* expected);

} // namespace JsonRead
