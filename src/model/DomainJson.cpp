#include "model/DomainJson.h"

#include "model/JsonAssign.h"
#include "model/JsonRead.h"

namespace {

// Keys a stored domain must carry.
enum RequiredKey : unsigned {
    has_id = 1,
    has_url_string = 2,
    has_interval_seconds = 4,
    has_is_active = 8,
};

std::optional<DecodeError> read_member(MonitoredDomain& d, std::string_view key,
                                       const rapidjson::Value& v, const JsonPath& field,
                                       unsigned& seen, StringPool& pool)
{
    if (key == "id") {
        seen |= has_id;
        return assign(d.id, JsonRead::uuid(v, field));
    }
    if (key == "url_string") {
        seen |= has_url_string;
        return assign(d.url_string, JsonRead::string(v, field));
    }
    if (key == "interval_seconds") {
        seen |= has_interval_seconds;
        return assign(d.interval_seconds, JsonRead::integer(v, field));
    }
    if (key == "is_active") {
        seen |= has_is_active;
        return assign(d.is_active, JsonRead::boolean(v, field));
    }
    // The rest are optional: null reads like a missing key and keeps the default.
    if (v.IsNull())
        return std::nullopt;
    if (key == "max_history_hours")
        return assign(d.max_history_hours, JsonRead::integer(v, field));
    if (key == "user_agent")
        return assign(d.user_agent, JsonRead::string(v, field));
    if (key == "notifies_on_anomalies")
        return assign(d.notifies_on_anomalies, JsonRead::boolean(v, field));
    if (key == "is_pinned")
        return assign(d.is_pinned, JsonRead::boolean(v, field));
    if (key == "is_archived")
        return assign(d.is_archived, JsonRead::boolean(v, field));
    if (key == "measurements")
        return assign(d.measurements, MeasurementJson::read_list(v, field, &pool));
    return std::nullopt; // "statistics" and unknown keys are left alone.
}

} // namespace

DecodeResult<MonitoredDomain> DomainJson::read(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "a domain object");
    MonitoredDomain domain;
    unsigned seen = 0;
    StringPool pool;
    for (const auto& member : value.GetObject()) {
        const std::string_view key = JsonRead::key_of(member);
        if (auto error = read_member(domain, key, member.value, path.key(key), seen, pool))
            return *std::move(error);
    }
    if (!(seen & has_id))
        return JsonRead::missing_key(path, "id");
    if (!(seen & has_url_string))
        return JsonRead::missing_key(path, "url_string");
    if (!(seen & has_interval_seconds))
        return JsonRead::missing_key(path, "interval_seconds");
    if (!(seen & has_is_active))
        return JsonRead::missing_key(path, "is_active");

    domain.interval_seconds = DomainSettings::bounded_interval(domain.interval_seconds);
    domain.max_history_hours = DomainSettings::bounded_lookback(domain.max_history_hours);
    domain.refresh_statistics();
    return domain;
}

DecodeResult<QList<MonitoredDomain>> DomainJson::read_list(const rapidjson::Value& value,
                                                           const JsonPath& path)
{
    if (!value.IsArray())
        return JsonRead::wrong_type(path, "an array of domains");
    QList<MonitoredDomain> domains;
    domains.reserve(qsizetype(value.Size()));
    for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
        auto domain = read(value[i], path.index(qsizetype(i)));
        if (!domain)
            return domain.error();
        domains.append(std::move(domain).value());
    }
    return domains;
}

QByteArray DomainJson::encode_list(const QList<MonitoredDomain>& domains,
                                   MeasurementsField measurements)
{
    return JsonWrite::compact_text(
        [&](auto& writer) { write_list(writer, domains, measurements); });
}

DecodeResult<QList<MonitoredDomain>> DomainJson::decode_list(QByteArrayView text)
{
    return JsonRead::decode_text(text, read_list);
}

QByteArray DomainJson::encode(const MonitoredDomain& domain)
{
    return JsonWrite::compact_text([&](auto& writer) { write(writer, domain); });
}

DecodeResult<MonitoredDomain> DomainJson::decode(QByteArrayView text)
{
    return JsonRead::decode_text(text, [](const rapidjson::Value& value, const JsonPath& path) {
        return read(value, path);
    });
}
