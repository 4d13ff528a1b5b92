#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

// Runs the event loop until `condition` holds or `timeout_ms` passes; returns
// whether it held. For results that arrive from other threads.
template <typename Condition>
bool wait_until(Condition condition, int timeout_ms = 10'000)
{
    QDeadlineTimer deadline(timeout_ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

// Runs the event loop for `ms`, so that anything still on its way can arrive.
inline void wait_for(int ms)
{
    wait_until([] { return false; }, ms);
}
