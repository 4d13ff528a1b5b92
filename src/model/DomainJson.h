#pragma once

#include "model/Expected.h"
#include "model/JsonPath.h"
#include "model/JsonWrite.h"
#include "model/MeasurementJson.h"
#include "model/MonitoredDomain.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <rapidjson/document.h>

// The JSON form of a domain: its ten stored fields in sorted key order; the
// statistics are never written nor read.
namespace DomainJson {

// The configuration file keeps histories elsewhere and writes an empty array.
enum class MeasurementsField { written, left_empty };

template <typename Writer>
void write(Writer& writer, const MonitoredDomain& domain,
           MeasurementsField measurements = MeasurementsField::written)
{
    writer.StartObject();
    JsonWrite::key(writer, "id");
    JsonWrite::uuid(writer, domain.id);
    JsonWrite::key(writer, "interval_seconds");
    writer.Int(domain.interval_seconds);
    JsonWrite::key(writer, "is_active");
    writer.Bool(domain.is_active);
    JsonWrite::key(writer, "is_archived");
    writer.Bool(domain.is_archived);
    JsonWrite::key(writer, "is_pinned");
    writer.Bool(domain.is_pinned);
    JsonWrite::key(writer, "max_history_hours");
    writer.Int(domain.max_history_hours);
    JsonWrite::key(writer, "measurements");
    if (measurements == MeasurementsField::written) {
        MeasurementJson::write_list(writer, domain.measurements);
    } else {
        writer.StartArray();
        writer.EndArray();
    }
    JsonWrite::key(writer, "notifies_on_anomalies");
    writer.Bool(domain.notifies_on_anomalies);
    JsonWrite::key(writer, "url_string");
    JsonWrite::string(writer, domain.url_string);
    JsonWrite::key(writer, "user_agent");
    JsonWrite::string(writer, domain.user_agent);
    writer.EndObject();
}

template <typename Writer>
void write_list(Writer& writer, const QList<MonitoredDomain>& domains,
                MeasurementsField measurements = MeasurementsField::written)
{
    writer.StartArray();
    for (const MonitoredDomain& domain : domains)
        write(writer, domain, measurements);
    writer.EndArray();
}

// Applies the stored form's defaults and floors (interval at least 20 s,
// lookback at least 1 h) and computes the statistics of the decoded history.
DecodeResult<MonitoredDomain> read(const rapidjson::Value& value, const JsonPath& path);
DecodeResult<QList<MonitoredDomain>> read_list(const rapidjson::Value& value, const JsonPath& path);

// A list of domains as compact JSON text, and back.
QByteArray encode_list(const QList<MonitoredDomain>& domains,
                       MeasurementsField measurements = MeasurementsField::written);
DecodeResult<QList<MonitoredDomain>> decode_list(QByteArrayView text);

QByteArray encode(const MonitoredDomain& domain);
DecodeResult<MonitoredDomain> decode(QByteArrayView text);

} // namespace DomainJson
