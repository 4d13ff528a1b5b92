#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

// Runs the event loop until `condition` holds or `timeout_ms` passes; returns
// whether it held. For results that arrive from other threads. Sleeps between
// events, waking at least every 10 ms to re-check `condition`.
template <typename Condition>
bool wait_until(Condition condition, int timeout_ms = 10'000)
{
    QDeadlineTimer deadline(timeout_ms);
    while (!condition()) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return false;
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(10, remaining), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Runs the event loop for `ms`, so that anything still on its way can arrive.
inline void wait_for(int ms)
{
    wait_until([] { return false; }, ms);
}
