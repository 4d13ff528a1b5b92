#include "model/StringPool.h"

QString StringPool::text(std::string_view utf8)
{
    const auto found = texts_.find(utf8);
    if (found != texts_.end())
        return found->second;
    QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    texts_.emplace(std::string(utf8), text);
    return text;
}

const StringPool::Headers* StringPool::find_headers(std::string_view encoded) const
{
    const auto found = headers_.find(encoded);
    return found == headers_.end() ? nullptr : &found->second;
}

const StringPool::Headers& StringPool::add_headers(std::string_view encoded, Headers headers)
{
    return headers_.emplace(std::string(encoded), std::move(headers)).first->second;
}
