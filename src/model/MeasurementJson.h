#pragma once

#include "model/DomainMeasurement.h"
#include "model/Expected.h"
#include "model/JsonPath.h"
#include "model/JsonWrite.h"
#include "model/StringPool.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <rapidjson/document.h>

#include <optional>
#include <string_view>

// The JSON form of a measurement: keys equal the field names, sorted; optional
// values are left out when absent.
namespace MeasurementJson {

template <typename Writer>
void write(Writer& writer, const DomainMeasurement& m)
{
    writer.StartObject();
    if (m.certificate_expires_at.isValid()) {
        JsonWrite::key(writer, "certificate_expires_at");
        JsonWrite::instant(writer, m.certificate_expires_at);
    }
    JsonWrite::optional_number(writer, "connect_time", m.connect_time);
    JsonWrite::optional_number(writer, "dns_time", m.dns_time);
    JsonWrite::optional_string(writer, "error_message", m.error_message);
    if (m.http_status) {
        JsonWrite::key(writer, "http_status");
        writer.Int(*m.http_status);
    }
    JsonWrite::key(writer, "id");
    JsonWrite::uuid(writer, m.id);
    JsonWrite::key(writer, "is_local_network_issue");
    writer.Bool(m.is_local_network_issue);
    JsonWrite::key(writer, "measured_at");
    JsonWrite::instant(writer, m.measured_at);
    JsonWrite::optional_number(writer, "network_baseline_time", m.network_baseline_time);
    JsonWrite::key(writer, "response_x_headers");
    writer.StartObject();
    for (auto it = m.response_x_headers.cbegin(); it != m.response_x_headers.cend(); ++it) {
        const std::string_view name = JsonWrite::utf8(it.key());
        writer.Key(name.data(), rapidjson::SizeType(name.size()));
        JsonWrite::string(writer, it.value());
    }
    writer.EndObject();
    JsonWrite::optional_number(writer, "ssl_time", m.ssl_time);
    JsonWrite::key(writer, "total_time");
    JsonWrite::number(writer, m.total_time);
    JsonWrite::optional_number(writer, "ttfb_time", m.ttfb_time);
    JsonWrite::optional_string(writer, "url_string", m.url_string);
    writer.EndObject();
}

template <typename Writer>
void write_list(Writer& writer, const QList<DomainMeasurement>& measurements)
{
    writer.StartArray();
    for (const DomainMeasurement& m : measurements)
        write(writer, m);
    writer.EndArray();
}

// Builds one measurement member by member, for the document reader below and
// for streaming readers of large files alike. "id", "measured_at" and
// "total_time" are required; a missing "response_x_headers" reads as empty and
// a missing "is_local_network_issue" as false; null reads like a missing key.
class Builder {
public:
    explicit Builder(StringPool* pool = nullptr) : pool_(pool) {}

    // A member whose value is not an object or array (those are the headers,
    // given to set_headers, or unknown members, which are ignored).
    std::optional<DecodeError> set_member(std::string_view key, const rapidjson::Value& value,
                                          const JsonPath& path);
    void set_headers(QMap<QString, QString> headers)
    {
        measurement_.response_x_headers = std::move(headers);
    }
    DecodeResult<DomainMeasurement> finish(const JsonPath& path);

private:
    StringPool* pool_;
    DomainMeasurement measurement_;
    unsigned seen_ = 0;
};

// `pool`, when given, shares repeated texts between the decoded measurements.
DecodeResult<DomainMeasurement> read(const rapidjson::Value& value, const JsonPath& path,
                                     StringPool* pool = nullptr);
DecodeResult<QList<DomainMeasurement>> read_list(const rapidjson::Value& value,
                                                 const JsonPath& path, StringPool* pool = nullptr);

// One measurement as compact JSON text, and back.
QByteArray encode(const DomainMeasurement& measurement);
DecodeResult<DomainMeasurement> decode(QByteArrayView text);

} // namespace MeasurementJson
