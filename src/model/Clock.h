#pragma once

#include <QDateTime>

#include <functional>
#include <memory>

// A pending call made by a Clock. Destroying it cancels the call, so an owner
// that goes away takes its timers with it.
class ScheduledCall {
public:
    virtual ~ScheduledCall() = default;
};

// The source of time for everything that waits: schedulers, debounces,
// back-offs, stabilisation waits. Tests replace it with a clock they advance by
// hand, so a day of schedule runs in milliseconds.
class Clock {
public:
    virtual ~Clock() = default;

    // The current instant, in UTC.
    virtual QDateTime now() const = 0;

    // Calls `callback` once, on the calling thread's event loop, after `delay_ms`
    // (at once for a delay of zero or less), unless the handle is destroyed first.
    [[nodiscard]] virtual std::unique_ptr<ScheduledCall>
    call_after(qint64 delay_ms, std::function<void()> callback) = 0;

    // The real clock: system time and Qt timers.
    static Clock& system();
};
