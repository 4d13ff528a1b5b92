#pragma once

#include "model/Clock.h"
#include "store/CancellationToken.h"

#include <QUuid>

#include <functional>
#include <memory>

// The monitoring loop of one domain: sleep exactly until the domain is due,
// try a measurement, pause 5 s when none was recorded, and again. Destroying
// the task ends the loop and interrupts a wait for the network; a request
// already handed to the engine still delivers its result to the store.
class MonitoringTask {
public:
    // What the loop asks of its owner: the current delay in milliseconds, and
    // one measurement attempt that reports whether a measurement was recorded.
    struct Owner {
        std::function<qint64()> delay_ms;
        std::function<void(std::shared_ptr<CancellationToken>, std::function<void(bool)>)> attempt;
    };

    // The first step runs from the event loop, not inside the constructor.
    MonitoringTask(Owner owner, Clock& clock);
    ~MonitoringTask();
    MonitoringTask(const MonitoringTask&) = delete;
    MonitoringTask& operator=(const MonitoringTask&) = delete;

private:
    void step();
    void sleep_then_step(qint64 ms);

    Owner owner_;
    Clock& clock_;
    std::shared_ptr<CancellationToken> token_;
    std::unique_ptr<ScheduledCall> sleep_;
};
