#include "store/HistoryPersistence.h"

#include "store/HistoryJournal.h"

#include <algorithm>

namespace {

constexpr qint64 minimum_compaction_bytes = 1 << 20;

} // namespace

HistoryPersistence::HistoryPersistence(const StoreFiles& files, Clock& clock, Owner owner)
    : files_(files), clock_(clock), owner_(std::move(owner)),
      writer_(files.history_url, files.journal_url)
{}

HistoryPersistence::~HistoryPersistence()
{
    save_task_.reset();
    writer_.wait_for_writes();
}

qint64 HistoryPersistence::compaction_threshold(qint64 history_bytes)
{
    return std::max(minimum_compaction_bytes, history_bytes / 4);
}

void HistoryPersistence::resume(const HistoryOnDisk& found)
{
    history_bytes_ = found.history_bytes;
    journal_entry_bytes_ = found.journal_entry_bytes;
    needs_compaction_ = !found.regular;
    if (found.journal_length)
        writer_.continue_journal(*found.journal_length);
}

void HistoryPersistence::record(const QUuid& domain_id, const DomainMeasurement& measurement)
{
    recorded_.append({domain_id, measurement});
    schedule_save();
}

void HistoryPersistence::schedule_save()
{
    if (save_task_)
        return;
    const quint64 token = ++save_tokens_;
    save_task_ =
        SaveTask{token, clock_.call_after(save_delay_ms, [this] { start_scheduled_save(); })};
}

void HistoryPersistence::start_scheduled_save()
{
    save_task_->sleep.reset();
    const quint64 token = save_task_->token;
    const auto finish = [this, token] {
        // A save_now or compact meanwhile has already cleared (or replaced) the task.
        if (save_task_ && save_task_->token == token)
            save_task_.reset();
        Q_EMIT save_finished();
    };
    if (!save_recorded(finish))
        finish();
}

void HistoryPersistence::save_now()
{
    save_task_.reset();
    save_recorded({});
}

void HistoryPersistence::compact(const QList<QUuid>& cleared)
{
    save_task_.reset();
    // A file left unread is moved aside first: the clearing lines must not take
    // the place of a journal that is to be kept.
    if (!cleared.isEmpty() && files_can_be_replaced()) {
        QByteArray lines;
        for (const QUuid& id : cleared)
            HistoryJournal::append_clear(lines, id);
        journal_entry_bytes_ += lines.size();
        writer_.append(std::move(lines), this, [](bool) {});
    }
    start_compaction({});
}

void HistoryPersistence::close()
{
    save_task_.reset();
    if (needs_compaction_ || journal_entry_bytes_ > 0 || !recorded_.isEmpty())
        start_compaction({});
    writer_.wait_for_writes();
}

void HistoryPersistence::wait_for_writes()
{
    writer_.wait_for_writes();
}

bool HistoryPersistence::compaction_is_due() const
{
    return needs_compaction_ || journal_entry_bytes_ >= compaction_threshold(history_bytes_);
}

bool HistoryPersistence::save_recorded(std::function<void()> done)
{
    // After a failed write, what it held is in memory only: compacting saves it.
    if (recorded_.isEmpty() && !needs_compaction_)
        return false;
    if (compaction_is_due())
        return start_compaction(std::move(done));
    QByteArray lines;
    for (const Recorded& r : std::as_const(recorded_))
        HistoryJournal::append_entry(lines, r.domain_id, r.measurement);
    recorded_.clear();
    journal_entry_bytes_ += lines.size();
    writer_.append(std::move(lines), this, [this, done = std::move(done)](bool written) {
        // What was lost is still in memory: the next save writes everything.
        if (!written)
            needs_compaction_ = true;
        if (done)
            done();
    });
    return true;
}

bool HistoryPersistence::files_can_be_replaced()
{
    return owner_.prepare_to_replace(files_.history_url) &&
           owner_.prepare_to_replace(files_.journal_url);
}

bool HistoryPersistence::start_compaction(std::function<void()> done)
{
    if (!files_can_be_replaced()) {
        needs_compaction_ = true;
        return false;
    }
    // The snapshot holds everything recorded so far.
    recorded_.clear();
    needs_compaction_ = false;
    journal_entry_bytes_ = 0;
    writer_.compact(owner_.snapshot(), this,
                    [this, done = std::move(done)](std::optional<qint64> history_bytes) {
                        if (history_bytes)
                            history_bytes_ = *history_bytes;
                        else
                            needs_compaction_ = true;
                        if (done)
                            done();
                    });
    return true;
}
