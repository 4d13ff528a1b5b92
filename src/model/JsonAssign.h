#pragma once

#include "model/Expected.h"
#include "model/JsonPath.h"

#include <rapidjson/document.h>

#include <optional>

// Moves a decoded value into its field, or hands back the error.
template <typename T>
std::optional<DecodeError> assign(T& target, DecodeResult<T>&& result)
{
    if (!result)
        return result.error();
    target = std::move(result).value();
    return std::nullopt;
}

// An optional field reads null as absent, like a missing key.
template <typename T, typename Reader>
std::optional<DecodeError> assign_optional(std::optional<T>& target, const rapidjson::Value& value,
                                           const JsonPath& path, Reader reader)
{
    if (value.IsNull()) {
        target.reset();
        return std::nullopt;
    }
    DecodeResult<T> result = reader(value, path);
    if (!result)
        return result.error();
    target = std::move(result).value();
    return std::nullopt;
}
