#pragma once

#include "model/Clock.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// Keeps systemd informed when `tessary monitor` runs as a unit of Type=notify:
// ready once monitoring has begun, stopping when it ends, and, when the unit
// sets WatchdogSec, a ping at half that interval from the event loop, so a
// monitor whose loop hangs is restarted. Outside systemd (no NOTIFY_SOCKET)
// nothing is sent.
class SystemdNotifier {
public:
    explicit SystemdNotifier(Clock& clock = Clock::system());
    SystemdNotifier(const SystemdNotifier&) = delete;
    SystemdNotifier& operator=(const SystemdNotifier&) = delete;

    // The unit's status line (monitoring, or paused for the window); the first
    // one comes with READY=1 and starts the pings.
    void announce(const QString& status);
    // STOPPING=1; no pings after it.
    void stopping();

private:
    void schedule_ping();

    Clock& clock_;
    // Half the unit's watchdog interval; none when the unit has no watchdog
    // or it is meant for another process (WATCHDOG_PID).
    std::optional<std::chrono::milliseconds> ping_interval_;
    std::unique_ptr<ScheduledCall> next_ping_;
    bool ready_sent_ = false;
};
