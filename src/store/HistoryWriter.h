#pragma once

#include "store/HistorySnapshot.h"
#include "store/JournalFile.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <optional>

// Writes the history files on a thread of its own, one job at a time in the
// order they were handed over: appends to the journal, and compactions, which
// write the whole history file and then start the journal afresh. A
// compaction's snapshot holds everything recorded before it was taken, and
// appends of what came later run after it, so starting the journal afresh loses
// nothing.
class HistoryWriter {
public:
    HistoryWriter(QString history_path, QString journal_path);
    // Waits for the jobs handed over.
    ~HistoryWriter();

    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    // The journal start-up read holds `length` bytes of complete lines that
    // extend the history file on disk: appends continue it. Without this call
    // the first append starts a journal for the history file on disk.
    void continue_journal(qint64 length);

    // Each job calls `done` on `context`'s thread with its outcome; `context`
    // must wait_for_writes() before it goes away.
    void append(QByteArray lines, QObject* context, std::function<void(bool written)> done);
    // `done` learns the size of the history file written, none after a failure.
    void compact(HistorySnapshot snapshot, QObject* context,
                 std::function<void(std::optional<qint64> history_bytes)> done);

    void wait_for_writes();

private:
    bool append_now(const QByteArray& lines);
    std::optional<qint64> compact_now(const HistorySnapshot& snapshot);
    JournalFile* open_journal();

    QString history_path_;
    QString journal_path_;
    // Touched by the jobs alone, which run one at a time.
    std::optional<JournalFile> journal_;
    std::optional<qint64> continue_length_;
    QThreadPool pool_;
};
