#include "store/HistoryJournal.h"

#include "model/JsonRead.h"
#include "model/JsonWrite.h"
#include "model/MeasurementJson.h"

#include <rapidjson/document.h>

#include <cstring>

namespace {

constexpr int format_version = 1;

std::optional<FileIdentity> decode_identity(const rapidjson::Value& value, bool& valid)
{
    valid = value.IsNull();
    if (!value.IsObject())
        return std::nullopt;
    const auto member = [&](const char* name) -> const rapidjson::Value* {
        const auto found = value.FindMember(name);
        return found != value.MemberEnd() && found->value.IsUint64() ? &found->value : nullptr;
    };
    const rapidjson::Value* device = member("device");
    const rapidjson::Value* inode = member("inode");
    const rapidjson::Value* modified = member("modified_ns");
    const rapidjson::Value* size = member("size");
    if (!device || !inode || !modified || !size || !modified->IsInt64() || !size->IsInt64())
        return std::nullopt;
    valid = true;
    return FileIdentity{device->GetUint64(), inode->GetUint64(), size->GetInt64(),
                        modified->GetInt64()};
}

// Plain parsing: the header's integers need all 64 bits.
bool decode_header(QByteArrayView line, HistoryJournal::Contents& contents)
{
    rapidjson::Document document;
    document.Parse(line.data(), size_t(line.size()));
    if (document.HasParseError() || !document.IsObject())
        return false;
    const auto version = document.FindMember("version");
    const auto snapshot = document.FindMember("snapshot");
    if (version == document.MemberEnd() || !version->value.IsInt() ||
        version->value.GetInt() != format_version || snapshot == document.MemberEnd())
        return false;
    bool valid = false;
    contents.snapshot = decode_identity(snapshot->value, valid);
    return valid;
}

DecodeResult<HistoryJournal::Entry> decode_entry(QByteArrayView line, StringPool* pool)
{
    return JsonRead::decode_text(line, [&](const rapidjson::Value& value, const JsonPath& path)
                                           -> DecodeResult<HistoryJournal::Entry> {
        if (!value.IsObject())
            return JsonRead::wrong_type(path, "an object");
        const auto domain_id = value.FindMember("domain_id");
        const auto measurement = value.FindMember("measurement");
        if (domain_id == value.MemberEnd())
            return JsonRead::missing_key(path, "domain_id");
        if (measurement == value.MemberEnd())
            return JsonRead::missing_key(path, "measurement");
        auto id = JsonRead::uuid(domain_id->value, path.key("domain_id"));
        if (!id)
            return id.error();
        auto decoded = MeasurementJson::read(measurement->value, path.key("measurement"), pool);
        if (!decoded)
            return decoded.error();
        return HistoryJournal::Entry{*id, std::move(decoded).value()};
    });
}

} // namespace

QByteArray HistoryJournal::header(const std::optional<FileIdentity>& snapshot)
{
    QByteArray text = JsonWrite::compact_text([&](auto& writer) {
        writer.StartObject();
        JsonWrite::key(writer, "snapshot");
        if (snapshot) {
            writer.StartObject();
            JsonWrite::key(writer, "device");
            writer.Uint64(snapshot->device);
            JsonWrite::key(writer, "inode");
            writer.Uint64(snapshot->inode);
            JsonWrite::key(writer, "modified_ns");
            writer.Int64(snapshot->modified_ns);
            JsonWrite::key(writer, "size");
            writer.Int64(snapshot->size);
            writer.EndObject();
        } else {
            writer.Null();
        }
        JsonWrite::key(writer, "version");
        writer.Int(format_version);
        writer.EndObject();
    });
    text.append('\n');
    return text;
}

void HistoryJournal::append_entry(QByteArray& lines, const QUuid& domain_id,
                                  const DomainMeasurement& measurement)
{
    lines.append(JsonWrite::compact_text([&](auto& writer) {
        writer.StartObject();
        JsonWrite::key(writer, "domain_id");
        JsonWrite::uuid(writer, domain_id);
        JsonWrite::key(writer, "measurement");
        MeasurementJson::write(writer, measurement);
        writer.EndObject();
    }));
    lines.append('\n');
}

HistoryJournal::Contents HistoryJournal::parse(QByteArrayView text, StringPool* pool)
{
    Contents contents;
    qint64 header_length = 0;
    qsizetype start = 0;
    for (int line_number = 1; start < text.size(); ++line_number) {
        const auto* newline =
            static_cast<const char*>(std::memchr(text.data() + start, '\n', size_t(text.size() - start)));
        if (newline == nullptr) {
            // An append cut off by a crash or a power loss.
            contents.warnings.append(
                QStringLiteral("dropped the incomplete last line %1 (%2 bytes)")
                    .arg(line_number)
                    .arg(text.size() - start));
            break;
        }
        const QByteArrayView line = text.sliced(start, newline - (text.data() + start));
        start += line.size() + 1;
        if (line_number == 1) {
            if (!decode_header(line, contents)) {
                contents.warnings.append(QStringLiteral("unknown first line; ignored"));
                return contents;
            }
            contents.has_header = true;
            header_length = start;
        } else if (auto entry = decode_entry(line, pool)) {
            contents.entries.append(std::move(entry).value());
        } else {
            contents.warnings.append(QStringLiteral("skipped line %1: %2")
                                         .arg(line_number)
                                         .arg(entry.error().to_string()));
        }
        contents.complete_length = start;
    }
    contents.entry_bytes = contents.complete_length - header_length;
    if (!contents.has_header)
        contents.complete_length = contents.entry_bytes = 0;
    return contents;
}
