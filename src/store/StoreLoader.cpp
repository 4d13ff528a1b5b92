#include "store/StoreLoader.h"

#include "model/DomainJson.h"
#include "model/JsonWrite.h"
#include "store/FileIdentity.h"
#include "store/HistoryJournal.h"
#include "store/HistoryReader.h"
#include "store/MeasurementSlots.h"
#include "store/SuggestionJson.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <vector>

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

QString id_text(const QUuid& id)
{
    const auto text = JsonWrite::uuid_text(id);
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// New measurements go to the head of a history. The history reader leaves room
// there; a history kept in domains.json (before it moves to the history file)
// gets it here, so that recording copies nothing of a long history.
void merge_histories(LoadedStore& loaded, std::optional<HistoryReader::Histories>& histories)
{
    for (MonitoredDomain& domain : loaded.domains) {
        if (histories) {
            const auto entry = histories->find(id_text(domain.id));
            if (entry != histories->end()) {
                domain.measurements = std::move(entry.value());
                continue;
            }
        }
        if (!domain.measurements.isEmpty())
            domain.measurements = MeasurementSlots::with_room(std::move(domain.measurements));
    }
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct SnapshotRead {
    // None when there is no history file.
    std::optional<FileIdentity> identity;
    std::optional<HistoryReader::Histories> histories;
    std::optional<QString> error;
};

SnapshotRead read_snapshot(const QString& path)
{
    SnapshotRead read;
    const std::unique_ptr<std::FILE, FileCloser> file(
        std::fopen(QFile::encodeName(path).constData(), "rb"));
    if (!file) {
        if (errno != ENOENT)
            read.error =
                QStringLiteral("cannot open: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return read;
    }
    // Of the file read, not of whatever the name leads to a moment later.
    read.identity = FileIdentity::of_descriptor(fileno(file.get()));
    auto histories = HistoryReader::read_file(file.get());
    if (histories)
        read.histories = std::move(histories).value();
    else
        read.error = histories.error().to_string();
    return read;
}

struct JournalRead {
    FileContent file;
    HistoryJournal::Contents contents;
};

JournalRead read_journal(const QString& path)
{
    JournalRead read{read_file(path), {}};
    if (read.file.outcome == ReadOutcome::read)
        read.contents = HistoryJournal::parse(read.file.bytes);
    return read;
}

struct HistoryRead {
    SnapshotRead snapshot;
    JournalRead journal;
    // The journal extends the history file read.
    bool journal_applies = false;
};

// The history file and the journal as one consistent pair, the journal read on
// a second thread meanwhile. A compaction replaces the history file first and
// then the journal, so a journal that names another file than the one read is
// either left over (when the name still leads to the file read: it is ignored)
// or newer (the file was replaced meanwhile: both are read again). Whichever
// was read first, a journal that names the file read extends it.
HistoryRead read_history(const StoreFiles& files)
{
    constexpr int attempts = 5;
    for (int attempt = 1;; ++attempt) {
        auto journal = std::async(std::launch::async, read_journal, files.journal_url);
        HistoryRead read{read_snapshot(files.history_url), journal.get(), false};
        read.journal_applies = read.journal.contents.has_header &&
                               read.journal.contents.snapshot == read.snapshot.identity;
        if (read.journal.file.outcome != ReadOutcome::read || read.journal_applies ||
            attempt == attempts ||
            FileIdentity::of_path(files.history_url) == read.snapshot.identity)
            return read;
    }
}

// The journal's measurements by domain (in the order of `domains`), oldest
// first, and the ids of them all. Entries of domains that are gone are skipped,
// and so is an id seen before. A domain whose history the journal clears keeps
// only what came after the last clearing.
struct Journalled {
    std::vector<QList<DomainMeasurement>> by_domain;
    std::vector<bool> cleared;
    QSet<QUuid> ids;
};

Journalled group_by_domain(const QList<MonitoredDomain>& domains,
                           QList<HistoryJournal::Entry>& entries)
{
    QHash<QString, qsizetype> index;
    for (qsizetype i = 0; i < domains.size(); ++i)
        index.insert(id_text(domains[i].id), i);
    Journalled journalled{std::vector<QList<DomainMeasurement>>(size_t(domains.size())),
                          std::vector<bool>(size_t(domains.size())),
                          {}};
    for (HistoryJournal::Entry& entry : entries) {
        const auto domain = index.constFind(entry.domain_key);
        if (domain != index.cend() && entry.clears) {
            journalled.by_domain[size_t(*domain)].clear();
            journalled.cleared[size_t(*domain)] = true;
            continue;
        }
        if (domain == index.cend() || journalled.ids.contains(entry.measurement.id))
            continue;
        journalled.ids.insert(entry.measurement.id);
        journalled.by_domain[size_t(*domain)].append(std::move(entry.measurement));
    }
    return journalled;
}

// Puts `fresh` at the head of the history in the order it was recorded (newest
// first), leaving out what the history holds already: a rewrite cut short may
// leave a measurement in both files.
void add_journalled(MonitoredDomain& domain, QList<DomainMeasurement>& fresh,
                    const QSet<QUuid>& journalled)
{
    if (fresh.isEmpty())
        return;
    QSet<QUuid> stored;
    for (const DomainMeasurement& m : std::as_const(domain.measurements)) {
        if (journalled.contains(m.id))
            stored.insert(m.id);
    }
    fresh.removeIf([&](const DomainMeasurement& m) { return stored.contains(m.id); });
    // One insertion for them all, which leaves room at the head as well.
    domain.measurements.insert(0, fresh.size(), DomainMeasurement{});
    for (qsizetype k = 0; k < fresh.size(); ++k) {
        DomainMeasurement& m = fresh[k];
        if (m.url_string == domain.url_string)
            m.url_string = domain.url_string;
        domain.measurements[fresh.size() - 1 - k] = std::move(m);
    }
}

// The journal and the statistics, domain by domain on two threads: domains share nothing that
// changes.
void finish_domains(QList<MonitoredDomain>& domains, Journalled& journalled)
{
    MonitoredDomain* const data = domains.data();
    const qsizetype count = domains.size();
    std::atomic<qsizetype> next = 0;
    const auto work = [&] {
        for (qsizetype i = next++; i < count; i = next++) {
            if (!journalled.by_domain.empty()) {
                if (journalled.cleared[size_t(i)])
                    data[i].measurements.clear();
                add_journalled(data[i], journalled.by_domain[size_t(i)], journalled.ids);
            }
            data[i].refresh_statistics();
        }
    };
    auto helper = std::async(std::launch::async, work);
    work();
    helper.get();
}

void note_warnings(LoadedStore& loaded, const QString& path, const QStringList& warnings)
{
    for (const QString& warning : warnings)
        loaded.warnings.append(QStringLiteral("%1: %2").arg(file_name(path), warning));
}

void load_histories(LoadedStore& loaded, const StoreFiles& files)
{
    HistoryRead read = read_history(files);
    Journalled journalled;
    HistoryOnDisk& on_disk = loaded.history_on_disk;
    on_disk.history_bytes = read.snapshot.identity ? read.snapshot.identity->size : 0;
    if (!read.snapshot.histories && read.snapshot.error)
        note_problem(loaded, files.history_url, *read.snapshot.error);
    loaded.needs_migration =
        !read.snapshot.histories &&
        std::any_of(loaded.domains.cbegin(), loaded.domains.cend(),
                    [](const MonitoredDomain& d) { return !d.measurements.isEmpty(); });
    merge_histories(loaded, read.snapshot.histories);

    const FileContent& journal_file = read.journal.file;
    HistoryJournal::Contents& journal = read.journal.contents;
    if (journal_file.outcome == ReadOutcome::unreadable) {
        note_problem(loaded, files.journal_url, journal_file.error);
    } else if (journal_file.outcome == ReadOutcome::read && !journal.has_header &&
               !journal_file.bytes.isEmpty()) {
        // Perhaps written by a later version: kept, never replaced unseen.
        note_problem(loaded, files.journal_url, journal.warnings.join(u"; "));
    } else if (read.journal_applies) {
        journalled = group_by_domain(loaded.domains, journal.entries);
        note_warnings(loaded, files.journal_url, journal.warnings);
        on_disk.journal_length = journal.complete_length;
        on_disk.journal_entry_bytes = journal.entry_bytes;
    }
    on_disk.regular = !read.snapshot.error &&
                      (read.journal_applies || journal_file.outcome == ReadOutcome::absent);
    finish_domains(loaded.domains, journalled);
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
        load_histories(loaded, files);
    } else {
        // Without usable domains the history has no owner to merge into; unread, it
        // must survive the next save.
        for (const QString& path : {files.history_url, files.journal_url}) {
            if (!QFile::exists(path))
                continue;
            note_problem(loaded, path,
                         QStringLiteral("left unread because domains.json could not be used"));
            loaded.history_on_disk.regular = false;
        }
    }
    load_suggestions(loaded, files);
    return loaded;
}
