#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

// Runs the event loop until `condition` holds or `timeout_ms` has passed;
// returns whether it holds.
template <typename Condition>
bool spin_until(Condition condition, int timeout_ms = 5000)
{
    const QDeadlineTimer deadline(timeout_ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
    return true;
}

// Runs the event loop for `ms`, so that anything still on its way can arrive.
inline void spin_for(int ms)
{
    spin_until([] { return false; }, ms);
}
