#pragma once

#include <QString>

#include <string_view>

// Where a value sits in a JSON document, as a chain of keys and indices kept on
// the stack while decoding. It is turned into text only when an error is reported.
class JsonPath {
public:
    JsonPath() = default;

    // The referenced text and parent must outlive the child.
    JsonPath key(std::string_view name) const { return JsonPath(this, name, -1); }
    JsonPath index(qsizetype position) const { return JsonPath(this, {}, position); }

    // Such as "measurements[3].total_time"; empty at the root.
    QString to_string() const;

private:
    JsonPath(const JsonPath* parent, std::string_view key, qsizetype index)
        : parent_(parent), key_(key), index_(index)
    {}

    const JsonPath* parent_ = nullptr;
    std::string_view key_;
    qsizetype index_ = -1;
};
