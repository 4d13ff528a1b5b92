#pragma once

#include "model/Clock.h"

// Wall-clock time and precise Qt timers on the calling thread.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;
    std::unique_ptr<ScheduledCall> call_after(qint64 delay_ms,
                                              std::function<void()> callback) override;
};
