#include "model/MeasurementJson.h"

#include "model/JsonAssign.h"
#include "model/JsonRead.h"

namespace
{

DecodeResult<QMap<QString, QString>> read_headers(const rapidjson::Value& value,
                                                  const JsonPath& path)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "an object of strings");
    QMap<QString, QString> headers;
    for (const auto& member : value.GetObject()) {
        const std::string_view name = JsonRead::key_of(member);
        auto text = JsonRead::string(member.value, path.key(name));
        if (!text)
            return text.error();
        headers.insert(QString::fromUtf8(name.data(), qsizetype(name.size())),
                       std::move(text).value());
    }
    return headers;
}

std::optional<DecodeError> read_member(DomainMeasurement& m, std::string_view key,
                                       const rapidjson::Value& v, const JsonPath& field)
{
    if (key == "id")
        return assign(m.id, JsonRead::uuid(v, field));
    if (key == "measured_at")
        return assign(m.measured_at, JsonRead::instant(v, field));
    if (key == "total_time")
        return assign(m.total_time, JsonRead::number(v, field));
    if (key == "url_string")
        return assign_optional(m.url_string, v, field, JsonRead::string);
    if (key == "dns_time")
        return assign_optional(m.dns_time, v, field, JsonRead::number);
    if (key == "connect_time")
        return assign_optional(m.connect_time, v, field, JsonRead::number);
    if (key == "ssl_time")
        return assign_optional(m.ssl_time, v, field, JsonRead::number);
    if (key == "ttfb_time")
        return assign_optional(m.ttfb_time, v, field, JsonRead::number);
    if (key == "http_status")
        return assign_optional(m.http_status, v, field, JsonRead::integer);
    if (key == "error_message")
        return assign_optional(m.error_message, v, field, JsonRead::string);
    if (key == "network_baseline_time")
        return assign_optional(m.network_baseline_time, v, field, JsonRead::number);
    if (key == "response_x_headers")
        return v.IsNull() ? std::nullopt : assign(m.response_x_headers, read_headers(v, field));
    if (key == "is_local_network_issue")
        return v.IsNull() ? std::nullopt
                          : assign(m.is_local_network_issue, JsonRead::boolean(v, field));
    return std::nullopt; // Unknown keys are left alone.
}

} // namespace

DecodeResult<DomainMeasurement> MeasurementJson::read(const rapidjson::Value& value,
                                                      const JsonPath& path)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "a measurement object");
    DomainMeasurement m;
    bool has_id = false;
    bool has_measured_at = false;
    bool has_total_time = false;
    for (const auto& member : value.GetObject()) {
        const std::string_view key = JsonRead::key_of(member);
        if (auto error = read_member(m, key, member.value, path.key(key)))
            return *std::move(error);
        has_id = has_id || key == "id";
        has_measured_at = has_measured_at || key == "measured_at";
        has_total_time = has_total_time || key == "total_time";
    }
    if (!has_id)
        return JsonRead::missing_key(path, "id");
    if (!has_measured_at)
        return JsonRead::missing_key(path, "measured_at");
    if (!has_total_time)
        return JsonRead::missing_key(path, "total_time");
    return m;
}

DecodeResult<QList<DomainMeasurement>> MeasurementJson::read_list(const rapidjson::Value& value,
                                                                  const JsonPath& path)
{
    if (!value.IsArray())
        return JsonRead::wrong_type(path, "an array of measurements");
    QList<DomainMeasurement> measurements;
    measurements.reserve(qsizetype(value.Size()));
    for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
        auto measurement = read(value[i], path.index(qsizetype(i)));
        if (!measurement)
            return measurement.error();
        measurements.append(std::move(measurement).value());
    }
    return measurements;
}

QByteArray MeasurementJson::encode(const DomainMeasurement& measurement)
{
    return JsonWrite::compact_text([&](auto& writer) { write(writer, measurement); });
}

DecodeResult<DomainMeasurement> MeasurementJson::decode(QByteArrayView text)
{
    return JsonRead::decode_text(text, read);
}
