#include "model/MeasurementJson.h"

#include "model/JsonAssign.h"
#include "model/JsonRead.h"

namespace {

enum RequiredKey : unsigned { has_id = 1, has_measured_at = 2, has_total_time = 4 };

DecodeResult<QMap<QString, QString>> read_headers(const rapidjson::Value& value,
                                                  const JsonPath& path, StringPool* pool)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "an object of strings");
    QMap<QString, QString> headers;
    for (const auto& member : value.GetObject()) {
        const std::string_view name = JsonRead::key_of(member);
        if (!member.value.IsString())
            return JsonRead::wrong_type(path.key(name), "a string");
        const std::string_view text(member.value.GetString(), member.value.GetStringLength());
        if (pool)
            headers.insert(pool->text(name), pool->text(text));
        else
            headers.insert(QString::fromUtf8(name.data(), qsizetype(name.size())),
                           QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
    return headers;
}

} // namespace

std::optional<DecodeError> MeasurementJson::Builder::set_member(std::string_view key,
                                                                const rapidjson::Value& v,
                                                                const JsonPath& field)
{
    DomainMeasurement& m = measurement_;
    const auto text = [this](const rapidjson::Value& value,
                             const JsonPath& path) -> DecodeResult<QString> {
        if (!pool_ || !value.IsString())
            return JsonRead::string(value, path);
        return pool_->text({value.GetString(), value.GetStringLength()});
    };
    if (key == "id") {
        seen_ |= has_id;
        return assign(m.id, JsonRead::uuid(v, field));
    }
    if (key == "measured_at") {
        seen_ |= has_measured_at;
        return assign(m.measured_at, JsonRead::instant(v, field));
    }
    if (key == "total_time") {
        seen_ |= has_total_time;
        return assign(m.total_time, JsonRead::number(v, field));
    }
    if (key == "url_string")
        return assign_optional(m.url_string, v, field, text);
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
        return assign_optional(m.error_message, v, field, text);
    if (key == "network_baseline_time")
        return assign_optional(m.network_baseline_time, v, field, JsonRead::number);
    if (key == "certificate_expires_at")
        return v.IsNull() ? std::nullopt
                          : assign(m.certificate_expires_at, JsonRead::instant(v, field));
    if (key == "response_x_headers") {
        if (v.IsNull())
            return std::nullopt;
        return JsonRead::wrong_type(field, "an object of strings");
    }
    if (key == "is_local_network_issue")
        return v.IsNull() ? std::nullopt
                          : assign(m.is_local_network_issue, JsonRead::boolean(v, field));
    return std::nullopt; // Unknown keys are left alone.
}

DecodeResult<DomainMeasurement> MeasurementJson::Builder::finish(const JsonPath& path)
{
    if (!(seen_ & has_id))
        return JsonRead::missing_key(path, "id");
    if (!(seen_ & has_measured_at))
        return JsonRead::missing_key(path, "measured_at");
    if (!(seen_ & has_total_time))
        return JsonRead::missing_key(path, "total_time");
    return std::move(measurement_);
}

DecodeResult<DomainMeasurement> MeasurementJson::read(const rapidjson::Value& value,
                                                      const JsonPath& path, StringPool* pool)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "a measurement object");
    Builder builder(pool);
    for (const auto& member : value.GetObject()) {
        const std::string_view key = JsonRead::key_of(member);
        const JsonPath field = path.key(key);
        std::optional<DecodeError> error;
        if (key == "response_x_headers" && member.value.IsObject()) {
            auto headers = read_headers(member.value, field, pool);
            if (!headers)
                return headers.error();
            builder.set_headers(std::move(headers).value());
        } else if (member.value.IsObject() || member.value.IsArray()) {
            // Nested values only fit unknown keys; a known key reports its expected type.
            error = builder.set_member(key, rapidjson::Value(rapidjson::kObjectType), field);
        } else {
            error = builder.set_member(key, member.value, field);
        }
        if (error)
            return *std::move(error);
    }
    return builder.finish(path);
}

DecodeResult<QList<DomainMeasurement>>
MeasurementJson::read_list(const rapidjson::Value& value, const JsonPath& path, StringPool* pool)
{
    if (!value.IsArray())
        return JsonRead::wrong_type(path, "an array of measurements");
    QList<DomainMeasurement> measurements;
    measurements.reserve(qsizetype(value.Size()));
    for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
        auto measurement = read(value[i], path.index(qsizetype(i)), pool);
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
    return JsonRead::decode_text(text, [](const rapidjson::Value& value, const JsonPath& path) {
        return read(value, path);
    });
}
