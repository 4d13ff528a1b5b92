#include "ManualClock.h"

class ManualClock::Call final : public ScheduledCall {
public:
    Call(std::weak_ptr<ManualClock*> clock, Key key) : clock_(std::move(clock)), key_(key) {}
    ~Call() override
    {
        // The clock may already be gone at the end of a test.
        if (const auto clock = clock_.lock())
            (*clock)->cancel(key_);
    }

private:
    std::weak_ptr<ManualClock*> clock_;
    Key key_;
};

ManualClock::ManualClock(QDateTime start)
    : now_ms_(start.toMSecsSinceEpoch()), self_(std::make_shared<ManualClock*>(this))
{}

ManualClock::~ManualClock() = default;

QDateTime ManualClock::now() const
{
    return QDateTime::fromMSecsSinceEpoch(now_ms_, Qt::UTC);
}

std::unique_ptr<ScheduledCall> ManualClock::call_after(qint64 delay_ms,
                                                       std::function<void()> callback)
{
    const Key key{now_ms_ + std::max<qint64>(delay_ms, 0), next_sequence_++};
    pending_.emplace(key, std::move(callback));
    return std::make_unique<Call>(self_, key);
}

void ManualClock::cancel(const Key& key)
{
    pending_.erase(key);
}

void ManualClock::advance_by(qint64 ms)
{
    advance_to(QDateTime::fromMSecsSinceEpoch(now_ms_ + ms, Qt::UTC));
}

void ManualClock::advance_to(const QDateTime& instant)
{
    const qint64 target = instant.toMSecsSinceEpoch();
    while (!pending_.empty() && pending_.begin()->first.first <= target) {
        auto entry = pending_.extract(pending_.begin());
        now_ms_ = std::max(now_ms_, entry.key().first);
        entry.mapped()();
    }
    now_ms_ = std::max(now_ms_, target);
}

std::size_t ManualClock::pending_count() const
{
    return pending_.size();
}

qint64 ManualClock::ms_until_next() const
{
    return pending_.empty() ? -1 : pending_.begin()->first.first - now_ms_;
}
