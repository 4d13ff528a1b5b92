#pragma once

#include <QMap>
#include <QString>

#include <string>
#include <string_view>
#include <unordered_map>

// Shares equal texts while a large history is decoded: a URL, an error text or a
// set of X-headers repeats across thousands of measurements, and implicitly
// shared Qt strings and maps then cost one copy instead of thousands.
class StringPool {
public:
    QString text(std::string_view utf8);

    // Headers keyed by their encoded form, so a repeated set costs no conversion at all.
    using Headers = QMap<QString, QString>;
    const Headers* find_headers(std::string_view encoded) const;
    const Headers& add_headers(std::string_view encoded, Headers headers);

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const
        {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> texts_;
    std::unordered_map<std::string, Headers, Hash, std::equal_to<>> headers_;
};
