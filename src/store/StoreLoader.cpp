#include "store/StoreLoader.h"

#include "model/DomainJson.h"
#include "model/JsonWrite.h"
#include "store/HistoryJson.h"
#include "store/SuggestionJson.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

enum class ReadOutcome { absent, unreadable, read };

struct FileContent {
    ReadOutcome outcome = ReadOutcome::absent;
    QByteArray bytes;
    QString error;
};

FileContent read_file(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {ReadOutcome::unreadable, {}, file.errorString()};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {ReadOutcome::unreadable, {}, file.errorString()};
    return {ReadOutcome::read, std::move(bytes), {}};
}

QString file_name(const QString& path)
{
    return QFileInfo(path).fileName();
}

void note_problem(LoadedStore& loaded, const QString& path, const QString& what)
{
    loaded.unreadable_files.insert(path);
    loaded.problems.append(QStringLiteral("%1: %2").arg(file_name(path), what));
}

QList<MonitoredDomain> without_repeated_ids(QList<MonitoredDomain> domains)
{
    QSet<QUuid> seen;
    domains.removeIf([&](const MonitoredDomain& domain) {
        if (seen.contains(domain.id))
            return true;
        seen.insert(domain.id);
        return false;
    });
    return domains;
}

// Fills `loaded.domains` from domains.json; false when there are no domains to
// merge histories into.
bool load_domains(LoadedStore& loaded, const StoreFiles& files)
{
    const FileContent content = read_file(files.persistence_url);
    if (content.outcome == ReadOutcome::absent)
        return false;
    if (content.outcome == ReadOutcome::unreadable) {
        note_problem(loaded, files.persistence_url, content.error);
        return false;
    }
    auto domains = DomainJson::decode_list(content.bytes);
    if (!domains) {
        note_problem(loaded, files.persistence_url, domains.error().to_string());
        return false;
    }
    loaded.domains = without_repeated_ids(std::move(domains).value());
    return true;
}

std::optional<QHash<QString, QList<DomainMeasurement>>> load_histories(LoadedStore& loaded,
                                                                       const StoreFiles& files)
{
    if (!QFile::exists(files.history_url))
        return std::nullopt;
    auto histories = HistoryJson::read_file(files.history_url);
    if (!histories) {
        note_problem(loaded, files.history_url, histories.error().to_string());
        return std::nullopt;
    }
    return std::move(histories).value();
}

// New measurements go to the head of a history. A list read from a file has its
// spare room at the end; growing it once at the head moves that room there, so
// recording later copies nothing of a long history.
void make_room_at_head(QList<DomainMeasurement>& measurements)
{
    if (measurements.isEmpty())
        return;
    measurements.prepend(DomainMeasurement{});
    measurements.removeFirst();
}

void merge_histories(LoadedStore& loaded, QHash<QString, QList<DomainMeasurement>>& histories)
{
    for (MonitoredDomain& domain : loaded.domains) {
        const auto id = JsonWrite::uuid_text(domain.id);
        const auto entry = histories.find(QString::fromLatin1(id.data(), qsizetype(id.size())));
        if (entry != histories.end())
            domain.measurements = std::move(entry.value());
        make_room_at_head(domain.measurements);
        domain.refresh_statistics();
    }
}

void load_suggestions(LoadedStore& loaded, const StoreFiles& files)
{
    const FileContent content = read_file(files.deleted_domain_suggestions_url);
    if (content.outcome == ReadOutcome::absent)
        return;
    if (content.outcome == ReadOutcome::unreadable) {
        note_problem(loaded, files.deleted_domain_suggestions_url, content.error);
        return;
    }
    auto suggestions = SuggestionJson::decode_list(content.bytes);
    if (!suggestions) {
        note_problem(loaded, files.deleted_domain_suggestions_url, suggestions.error().to_string());
        return;
    }
    loaded.deleted_domain_suggestions = std::move(suggestions).value();
}

} // namespace

LoadedStore StoreLoader::load(const StoreFiles& files)
{
    LoadedStore loaded;
    if (load_domains(loaded, files)) {
        if (auto histories = load_histories(loaded, files)) {
            merge_histories(loaded, *histories);
        } else {
            loaded.needs_migration =
                std::any_of(loaded.domains.cbegin(), loaded.domains.cend(),
                            [](const MonitoredDomain& d) { return !d.measurements.isEmpty(); });
        }
    } else if (QFile::exists(files.history_url)) {
        // Without usable domains the history has no owner to merge into; unread, it
        // must survive the next save.
        note_problem(loaded, files.history_url,
                     QStringLiteral("left unread because domains.json could not be used"));
    }
    load_suggestions(loaded, files);
    return loaded;
}
