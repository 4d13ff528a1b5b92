#pragma once

#include "model/Clock.h"
#include "model/DomainMeasurement.h"
#include "store/HistoryOnDisk.h"
#include "store/HistorySnapshot.h"
#include "store/HistoryWriter.h"
#include "store/StoreFiles.h"

#include <QList>
#include <QObject>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

// Keeps the measurement histories on disk in two files: the history file holds
// every history as it was at the last compaction, the journal what was recorded
// since. A save appends only the measurements recorded since the previous one;
// a compaction rewrites the history file whole and empties the journal. Saves
// compact instead when the journal has grown past a quarter of the history
// file, and after a failed write. All writing happens off the main thread, in
// order (HistoryWriter).
class HistoryPersistence : public QObject {
    Q_OBJECT

public:
    struct Owner {
        // Every domain's history as it is now.
        std::function<HistorySnapshot()> snapshot;
        // Moves a file that could not be loaded aside before it is first
        // replaced; false when that failed and the file must stay.
        std::function<bool(const QString& path)> prepare_to_replace;
    };

    HistoryPersistence(const StoreFiles& files, Clock& clock, Owner owner);
    // Drops what was not handed to the writer yet; waits for what was.
    ~HistoryPersistence() override;

    // Carries on the files as start-up found them.
    void resume(const HistoryOnDisk& found);

    // A measurement entered a history: it is saved 20 s after the first one
    // that has not been.
    void record(const QUuid& domain_id, const DomainMeasurement& measurement);
    // From the request until its write is done.
    bool has_pending_save() const { return save_task_.has_value(); }
    // Saves what was recorded since the last save at once (an append).
    void save_now();
    // Rewrites the history file from the owner's snapshot at once: after
    // measurements were removed, so they cannot come back. The histories of
    // `cleared` are first cleared in the journal too, which holds should the
    // rewrite be cut short.
    void compact(const QList<QUuid>& cleared = {});
    // Compacts unless the history file is complete already, and waits for every
    // write: at rest the history file holds everything. Saving goes on as
    // before afterwards.
    void close();
    void wait_for_writes();

    static constexpr qint64 save_delay_ms = 20'000;
    // The size of the journal's entries at which a save compacts instead: a
    // quarter of the history file, so rewriting it costs a few bytes for every
    // byte appended, and start-up has little to replay.
    static qint64 compaction_threshold(qint64 history_bytes);

Q_SIGNALS:
    // A save asked for by schedule_save() is written (or failed).
    void save_finished();

private:
    struct Recorded {
        QUuid domain_id;
        DomainMeasurement measurement;
    };
    struct SaveTask {
        quint64 token = 0;
        std::unique_ptr<ScheduledCall> sleep; // null once the write has started
    };

    void schedule_save();
    void start_scheduled_save();
    // False when nothing was handed to the writer (and `done` will not run).
    bool save_recorded(std::function<void()> done);
    // Moves a history file or journal left unread aside; false when one must stay.
    bool files_can_be_replaced();
    bool start_compaction(std::function<void()> done);
    bool compaction_is_due() const;

    StoreFiles files_;
    Clock& clock_;
    Owner owner_;
    QList<Recorded> recorded_;
    std::optional<SaveTask> save_task_;
    quint64 save_tokens_ = 0;
    // What is on disk once the jobs handed over are done.
    qint64 history_bytes_ = 0;
    qint64 journal_entry_bytes_ = 0;
    bool needs_compaction_ = false;
    HistoryWriter writer_;
};
