#include "SystemdNotifier.h"

#include <algorithm>
#include <systemd/sd-daemon.h>

SystemdNotifier::SystemdNotifier(Clock& clock) : clock_(clock)
{
    uint64_t watchdog_usec = 0;
    if (sd_watchdog_enabled(0, &watchdog_usec) > 0 && watchdog_usec > 0) {
        const auto half = std::chrono::milliseconds(watchdog_usec / 2000);
        ping_interval_ = std::max(half, std::chrono::milliseconds(1));
    }
}

namespace {

// The status line ends at a line break; anything after it would pass for
// another assignment.
QByteArray status_assignment(const QString& status)
{
    QString line = status;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return "STATUS=" + line.toUtf8();
}

} // namespace

void SystemdNotifier::announce(const QString& status)
{
    if (ready_sent_) {
        sd_notify(0, status_assignment(status).constData());
        return;
    }
    const QByteArray message = "READY=1\n" + status_assignment(status);
    sd_notify(0, message.constData());
    ready_sent_ = true;
    schedule_ping();
}

void SystemdNotifier::stopping()
{
    next_ping_.reset();
    sd_notify(0, "STOPPING=1");
}

void SystemdNotifier::schedule_ping()
{
    if (!ping_interval_)
        return;
    next_ping_ = clock_.call_after(ping_interval_->count(), [this] {
        sd_notify(0, "WATCHDOG=1");
        schedule_ping();
    });
}
