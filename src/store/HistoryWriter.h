#pragma once

#include "store/HistorySnapshot.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <mutex>

// Writes history snapshots to the history file, in the background or at once.
// Snapshots are numbered in the order they were taken, and an older one never
// replaces a newer one: a synchronous write waits for a background write under
// way, and a background write that finds a newer snapshot written skips itself.
class HistoryWriter {
public:
    explicit HistoryWriter(QString path);
    // Waits for background writes under way.
    ~HistoryWriter();

    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    // Call when taking a snapshot, on the thread that owns the data.
    quint64 next_generation() { return ++generation_; }

    // Encodes and writes off the calling thread, then calls `done` on `context`'s
    // thread. `context` must wait_for_background_writes() before it goes away.
    void write_in_background(HistorySnapshot snapshot, quint64 generation, QObject* context,
                             std::function<void()> done);

    void write_now(const HistorySnapshot& snapshot, quint64 generation);

    void wait_for_background_writes();

private:
    void write(const HistorySnapshot& snapshot, quint64 generation);

    QString path_;
    quint64 generation_ = 0;
    std::mutex write_mutex_;
    quint64 written_generation_ = 0;
    QThreadPool pool_;
};
