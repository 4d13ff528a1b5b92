#include "store/HistoryJournal.h"

#include "model/JsonWrite.h"
#include "model/MeasurementJson.h"
#include "model/StringPool.h"
#include "store/HistoryReader.h"

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
        const auto id = JsonWrite::uuid_text(domain_id);
        writer.Key(id.data(), rapidjson::SizeType(id.size()));
        writer.StartArray();
        MeasurementJson::write(writer, measurement);
        writer.EndArray();
        writer.EndObject();
    }));
    lines.append('\n');
}

void HistoryJournal::append_clear(QByteArray& lines, const QUuid& domain_id)
{
    const auto id = JsonWrite::uuid_text(domain_id);
    lines.append("{\"").append(id.data(), qsizetype(id.size())).append("\":[]}\n");
}

HistoryJournal::Contents HistoryJournal::parse(QByteArrayView text)
{
    Contents contents;
    StringPool pool;
    const HistoryReader::Add add = [&](const QString& key, QList<DomainMeasurement>&& list) {
        if (list.isEmpty())
            contents.entries.append({key, {}, true});
        // Oldest first, like the lines.
        for (auto m = list.rbegin(); m != list.rend(); ++m)
            contents.entries.append({key, std::move(*m)});
    };
    qint64 header_length = 0;
    qsizetype start = 0;
    for (int line_number = 1; start < text.size(); ++line_number) {
        const auto* newline = static_cast<const char*>(
            std::memchr(text.data() + start, '\n', size_t(text.size() - start)));
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
        } else if (const qsizetype before = contents.entries.size();
                   auto error = HistoryReader::read_each(line, pool, add)) {
            contents.entries.resize(before); // nothing of a damaged line
            contents.warnings.append(
                QStringLiteral("skipped line %1: %2").arg(line_number).arg(error->to_string()));
        }
        contents.complete_length = start;
    }
    contents.entry_bytes = contents.complete_length - header_length;
    if (!contents.has_header)
        contents.complete_length = contents.entry_bytes = 0;
    return contents;
}
