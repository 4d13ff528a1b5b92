#include "store/SuggestionJson.h"

#include "model/JsonAssign.h"
#include "model/JsonRead.h"
#include "model/JsonWrite.h"

namespace {

template <typename Writer>
void write(Writer& writer, const DomainRestoreSuggestion& s)
{
    writer.StartObject();
    JsonWrite::key(writer, "id");
    JsonWrite::uuid(writer, s.id);
    JsonWrite::key(writer, "interval_seconds");
    writer.Int(s.interval_seconds);
    JsonWrite::key(writer, "is_active");
    writer.Bool(s.is_active);
    JsonWrite::key(writer, "is_archived");
    writer.Bool(s.is_archived);
    JsonWrite::key(writer, "max_history_hours");
    writer.Int(s.max_history_hours);
    JsonWrite::key(writer, "notifies_on_anomalies");
    writer.Bool(s.notifies_on_anomalies);
    JsonWrite::key(writer, "url_string");
    JsonWrite::string(writer, s.url_string);
    JsonWrite::key(writer, "user_agent");
    JsonWrite::string(writer, s.user_agent);
    writer.EndObject();
}

constexpr std::string_view required_keys[] = {
    "id",         "url_string", "interval_seconds",      "max_history_hours",
    "user_agent", "is_active",  "notifies_on_anomalies", "is_archived"};

std::optional<DecodeError> read_member(DomainRestoreSuggestion& s, std::string_view key,
                                       const rapidjson::Value& v, const JsonPath& field)
{
    if (key == "id")
        return assign(s.id, JsonRead::uuid(v, field));
    if (key == "url_string")
        return assign(s.url_string, JsonRead::string(v, field));
    if (key == "interval_seconds")
        return assign(s.interval_seconds, JsonRead::integer(v, field));
    if (key == "max_history_hours")
        return assign(s.max_history_hours, JsonRead::integer(v, field));
    if (key == "user_agent")
        return assign(s.user_agent, JsonRead::string(v, field));
    if (key == "is_active")
        return assign(s.is_active, JsonRead::boolean(v, field));
    if (key == "notifies_on_anomalies")
        return assign(s.notifies_on_anomalies, JsonRead::boolean(v, field));
    if (key == "is_archived")
        return assign(s.is_archived, JsonRead::boolean(v, field));
    return std::nullopt;
}

DecodeResult<DomainRestoreSuggestion> read(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "a suggestion object");
    for (const std::string_view key : required_keys) {
        if (!value.HasMember(rapidjson::StringRef(key.data(), key.size())))
            return JsonRead::missing_key(path, key);
    }
    DomainRestoreSuggestion suggestion;
    for (const auto& member : value.GetObject()) {
        const std::string_view key = JsonRead::key_of(member);
        if (auto error = read_member(suggestion, key, member.value, path.key(key)))
            return *std::move(error);
    }
    return suggestion;
}

DecodeResult<QList<DomainRestoreSuggestion>> read_list(const rapidjson::Value& value,
                                                       const JsonPath& path)
{
    if (!value.IsArray())
        return JsonRead::wrong_type(path, "an array of suggestions");
    QList<DomainRestoreSuggestion> suggestions;
    for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
        auto suggestion = read(value[i], path.index(qsizetype(i)));
        if (!suggestion)
            return suggestion.error();
        suggestions.append(std::move(suggestion).value());
    }
    return suggestions;
}

} // namespace

QByteArray SuggestionJson::encode_list(const QList<DomainRestoreSuggestion>& suggestions)
{
    return JsonWrite::compact_text([&](auto& writer) {
        writer.StartArray();
        for (const DomainRestoreSuggestion& suggestion : suggestions)
            write(writer, suggestion);
        writer.EndArray();
    });
}

DecodeResult<QList<DomainRestoreSuggestion>> SuggestionJson::decode_list(QByteArrayView text)
{
    return JsonRead::decode_text(text, read_list);
}
