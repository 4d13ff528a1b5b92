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
