#include "model/JsonNumber.h"

#include <charconv>
#include <cmath>
#include <cstdint>

std::optional<rapidjson::Value> json_number(std::string_view text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (text.find_first_of(".eE") == std::string_view::npos) {
        if (text.front() == '-') {
            int64_t value = 0;
            if (std::from_chars(begin, end, value).ec == std::errc())
                return rapidjson::Value(value);
        } else {
            uint64_t value = 0;
            if (std::from_chars(begin, end, value).ec == std::errc())
                return rapidjson::Value(value);
        }
        // Beyond 64 bits: read as a double below.
    }
    double value = 0;
    const auto [rest, error] = std::from_chars(begin, end, value);
    if (error == std::errc::result_out_of_range) {
        // Too small is zero, as any reader would take it; too large has no value.
        const bool too_small = text.find_first_of("eE") != std::string_view::npos &&
                               text.find("e-") != std::string_view::npos;
        if (!too_small)
            return std::nullopt;
        return rapidjson::Value(text.front() == '-' ? -0.0 : 0.0);
    }
    if (error != std::errc() || rest != end || !std::isfinite(value))
        return std::nullopt;
    return rapidjson::Value(value);
}
