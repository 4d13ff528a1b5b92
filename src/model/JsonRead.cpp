#include "model/JsonRead.h"

#include "model/IsoDate.h"
#include "model/JsonNumber.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr unsigned parse_flags = rapidjson::kParseIterativeFlag |
                                 rapidjson::kParseValidateEncodingFlag |
                                 rapidjson::kParseNumbersAsStringsFlag;

QString from_utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// The value of each hex digit, -1 for other characters: a measurement's id is
// read a million times at start-up, and branches on random digits are slow.
constexpr std::array<signed char, 256> hex_digits = [] {
    std::array<signed char, 256> digits{};
    for (int c = 0; c < 256; ++c) {
        digits[size_t(c)] = c >= '0' && c <= '9'   ? char(c - '0')
                            : c >= 'A' && c <= 'F' ? char(c - 'A' + 10)
                            : c >= 'a' && c <= 'f' ? char(c - 'a' + 10)
                                                   : char(-1);
    }
    return digits;
}();

std::optional<QUuid> parse_uuid(std::string_view text)
{
    // 8-4-4-4-12 hex digits.
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        return std::nullopt;
    static constexpr std::array<size_t, 16> byte_positions = {0,  2,  4,  6,  9,  11, 14, 16,
                                                              19, 21, 24, 26, 28, 30, 32, 34};
    std::array<char, 16> bytes{};
    int invalid = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int high = hex_digits[uchar(text[byte_positions[i]])];
        const int low = hex_digits[uchar(text[byte_positions[i] + 1])];
        invalid |= high | low;
        bytes[i] = char(high << 4 | low);
    }
    if (invalid < 0)
        return std::nullopt;
    return QUuid::fromRfc4122(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

} // namespace

std::optional<DecodeError> JsonRead::parse(QByteArrayView text, rapidjson::Document& document)
{
    rapidjson::MemoryStream stream(text.data(), size_t(text.size()));
    rapidjson::ParseResult result;
    bool out_of_range = false;
    auto parse = [&](rapidjson::Document& events) {
        ExactNumbers<rapidjson::Document> numbers(events);
        rapidjson::Reader reader;
        result = reader.Parse<parse_flags>(stream, numbers);
        out_of_range = numbers.number_out_of_range();
        return !result.IsError();
    };
    document.Populate(parse);
    if (!result.IsError())
        return std::nullopt;
    return parse_error(result, out_of_range);
}

DecodeError JsonRead::parse_error(const rapidjson::ParseResult& result, bool number_out_of_range)
{
    const QString what = number_out_of_range
                             ? QStringLiteral("number out of range")
                             : QString::fromUtf8(rapidjson::GetParseError_En(result.Code()));
    return {{}, QStringLiteral("invalid JSON at byte %1: %2").arg(result.Offset()).arg(what)};
}

std::string_view JsonRead::key_of(const rapidjson::Value::Member& member)
{
    return {member.name.GetString(), member.name.GetStringLength()};
}

DecodeError JsonRead::missing_key(const JsonPath& object_path, std::string_view key)
{
    return {object_path.to_string(),
            QStringLiteral("missing required key \"%1\"").arg(from_utf8(key))};
}

DecodeError JsonRead::wrong_type(const JsonPath& path, const char* expected)
{
    return {path.to_string(), QStringLiteral("expected %1").arg(QString::fromLatin1(expected))};
}

DecodeResult<QString> JsonRead::string(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsString())
        return wrong_type(path, "a string");
    return QString::fromUtf8(value.GetString(), qsizetype(value.GetStringLength()));
}

DecodeResult<double> JsonRead::number(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsNumber())
        return wrong_type(path, "a number");
    return value.GetDouble();
}

DecodeResult<int> JsonRead::integer(const rapidjson::Value& value, const JsonPath& path)
{
    if (value.IsInt())
        return value.GetInt();
    if (!value.IsNumber())
        return wrong_type(path, "a whole number");
    if (value.IsDouble()) {
        const double number = value.GetDouble();
        if (number != std::trunc(number))
            return DecodeError{path.to_string(), QStringLiteral("expected a whole number")};
        if (number >= double(std::numeric_limits<int>::min()) &&
            number <= double(std::numeric_limits<int>::max()))
            return int(number);
    }
    return DecodeError{path.to_string(), QStringLiteral("number out of range")};
}

DecodeResult<bool> JsonRead::boolean(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsBool())
        return wrong_type(path, "true or false");
    return value.GetBool();
}

DecodeResult<QUuid> JsonRead::uuid_text(std::string_view text, const JsonPath& path)
{
    if (const auto parsed = parse_uuid(text))
        return *parsed;
    return DecodeError{path.to_string(),
                       QStringLiteral("\"%1\" is not a UUID").arg(from_utf8(text.substr(0, 64)))};
}

DecodeResult<QUuid> JsonRead::uuid(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsString())
        return wrong_type(path, "a UUID string");
    return uuid_text({value.GetString(), value.GetStringLength()}, path);
}

DecodeResult<QDateTime> JsonRead::instant(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsString())
        return wrong_type(path, "an ISO 8601 date string");
    const std::string_view text(value.GetString(), value.GetStringLength());
    if (auto parsed = IsoDate::parse(text))
        return *std::move(parsed);
    return DecodeError{
        path.to_string(),
        QStringLiteral("\"%1\" is not an ISO 8601 date").arg(from_utf8(text.substr(0, 64)))};
}
