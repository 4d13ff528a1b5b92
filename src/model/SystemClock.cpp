#include "model/SystemClock.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

class TimerCall final : public ScheduledCall {
public:
    TimerCall(qint64 delay_ms, std::function<void()> callback)
        : remaining_ms_(std::max<qint64>(delay_ms, 0)), callback_(std::move(callback))
    {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
        start_next_step();
    }

private:
    // QTimer takes an int of milliseconds, so a longer wait runs as a chain of steps.
    static constexpr qint64 max_step_ms = std::numeric_limits<int>::max();

    void start_next_step()
    {
        const qint64 step_ms = std::min(remaining_ms_, max_step_ms);
        remaining_ms_ -= step_ms;
        timer_.start(std::chrono::milliseconds(step_ms));
    }

    void step()
    {
        if (remaining_ms_ > 0) {
            start_next_step();
            return;
        }
        // The callback may destroy this call (an owner rescheduling itself), so
        // nothing of it is touched afterwards.
        const auto callback = std::move(callback_);
        callback();
    }

    qint64 remaining_ms_;
    std::function<void()> callback_;
    QTimer timer_;
};

} // namespace

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTimeUtc();
}

std::unique_ptr<ScheduledCall> SystemClock::call_after(qint64 delay_ms,
                                                       std::function<void()> callback)
{
    return std::make_unique<TimerCall>(delay_ms, std::move(callback));
}

Clock& Clock::system()
{
    static SystemClock clock;
    return clock;
}
