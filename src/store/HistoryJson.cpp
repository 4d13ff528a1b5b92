#include "store/HistoryJson.h"

#include "model/AtomicFile.h"
#include "model/JsonRead.h"
#include "model/JsonWrite.h"
#include "model/MeasurementJson.h"
#include "store/HistoryReader.h"

#include <algorithm>
#include <vector>

namespace {

template <typename Writer>
void write_history(Writer& writer, const HistorySnapshot& history)
{
    // Members go out in sorted key order, like every object in the data files.
    std::vector<std::pair<std::array<char, 36>, const HistoryEntry*>> entries;
    entries.reserve(size_t(history.size()));
    for (const HistoryEntry& entry : history)
        entries.emplace_back(JsonWrite::uuid_text(entry.id), &entry);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });

    writer.StartObject();
    for (const auto& [id, entry] : entries) {
        writer.Key(id.data(), rapidjson::SizeType(id.size()));
        MeasurementJson::write_list(writer, entry->measurements);
    }
    writer.EndObject();
}

} // namespace

QByteArray HistoryJson::encode(const HistorySnapshot& history)
{
    return JsonWrite::compact_text([&](auto& writer) { write_history(writer, history); });
}

std::optional<QString> HistoryJson::write_file(const QString& path, const HistorySnapshot& history)
{
    return AtomicFile::write_with(path, [&](AtomicFile::OutputStream& stream) {
        rapidjson::Writer<AtomicFile::OutputStream> writer(stream);
        write_history(writer, history);
    });
}

DecodeResult<QHash<QString, QList<DomainMeasurement>>> HistoryJson::decode(QByteArrayView text)
{
    return HistoryReader::read(text);
}

DecodeResult<QHash<QString, QList<DomainMeasurement>>> HistoryJson::read_file(const QString& path)
{
    return HistoryReader::read_file(path);
}
