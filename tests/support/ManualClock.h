#pragma once

#include "model/Clock.h"

#include <QDateTime>

#include <map>
#include <memory>
#include <utility>

// A clock that moves only when the test says so. Calls that fall due during an
// advance run in order of their due time (then of scheduling), each with now()
// set to its due time; calls they schedule run in the same advance when due.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2025, 1, 31), QTime(9, 15), Qt::UTC));
    ~ManualClock() override;

    QDateTime now() const override;
    std::unique_ptr<ScheduledCall> call_after(qint64 delay_ms,
                                              std::function<void()> callback) override;

    void advance_by(qint64 ms);
    void advance_to(const QDateTime& instant);

    // Calls scheduled and neither run nor cancelled.
    std::size_t pending_count() const;
    // Milliseconds until the next pending call, or -1 when none is pending.
    qint64 ms_until_next() const;

private:
    class Call;
    using Key = std::pair<qint64, quint64>; // due time, sequence

    void cancel(const Key& key);

    qint64 now_ms_;
    quint64 next_sequence_ = 0;
    std::map<Key, std::function<void()>> pending_;
    std::shared_ptr<ManualClock*> self_;
};
