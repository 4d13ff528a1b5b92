#include "store/HistoryWriter.h"

#include "store/FileIdentity.h"
#include "store/HistoryJournal.h"
#include "store/HistoryJson.h"

HistoryWriter::HistoryWriter(QString history_path, QString journal_path)
    : history_path_(std::move(history_path)), journal_path_(std::move(journal_path))
{
    // One thread: the jobs run in the order they came.
    pool_.setMaxThreadCount(1);
    pool_.setObjectName(QStringLiteral("HistoryWriter"));
}

HistoryWriter::~HistoryWriter()
{
    wait_for_writes();
}

void HistoryWriter::continue_journal(qint64 length)
{
    pool_.start([this, length] { continue_length_ = length; });
}

void HistoryWriter::append(QByteArray lines, QObject* context, std::function<void(bool)> done)
{
    pool_.start([this, lines = std::move(lines), context, done = std::move(done)] {
        const bool written = append_now(lines);
        QMetaObject::invokeMethod(
            context, [done, written] { done(written); }, Qt::QueuedConnection);
    });
}

void HistoryWriter::compact(HistorySnapshot snapshot, QObject* context,
                            std::function<void(std::optional<qint64>)> done)
{
    pool_.start([this, snapshot = std::move(snapshot), context, done = std::move(done)] {
        const std::optional<qint64> bytes = compact_now(snapshot);
        QMetaObject::invokeMethod(
            context, [done, bytes] { done(bytes); }, Qt::QueuedConnection);
    });
}

void HistoryWriter::wait_for_writes()
{
    pool_.waitForDone();
}

JournalFile* HistoryWriter::open_journal()
{
    if (journal_)
        return &*journal_;
    auto opened =
        continue_length_
            ? JournalFile::continue_at(journal_path_, *continue_length_)
            : JournalFile::create(journal_path_,
                                  HistoryJournal::header(FileIdentity::of_path(history_path_)));
    if (!opened)
        return nullptr;
    continue_length_.reset();
    journal_ = std::move(opened).value();
    return &*journal_;
}

bool HistoryWriter::append_now(const QByteArray& lines)
{
    JournalFile* journal = open_journal();
    // A failure leaves the journal as it was; the next save writes everything.
    return journal && !journal->append(lines);
}

std::optional<qint64> HistoryWriter::compact_now(const HistorySnapshot& snapshot)
{
    // Until the new history file is in place, the journal still extends the old one.
    if (HistoryJson::write_file(history_path_, snapshot))
        return std::nullopt;
    // From here the old journal is stale (it names the replaced file) and its
    // entries are all in the new file: the next append may start a fresh one
    // should this one fail.
    journal_.reset();
    continue_length_.reset();
    const std::optional<FileIdentity> written = FileIdentity::of_path(history_path_);
    if (!written)
        return std::nullopt;
    if (auto fresh = JournalFile::create(journal_path_, HistoryJournal::header(written)))
        journal_ = std::move(fresh).value();
    return written->size;
}
