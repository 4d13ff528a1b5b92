#pragma once

#include "Command.h"
#include "SystemdNotifier.h"
#include "control/ControlServer.h"
#include "metrics/MetricsExposition.h"
#include "metrics/MetricsListenAddress.h"
#include "metrics/MetricsServer.h"
#include "store/TessaryStore.h"

#include <QObject>

#include <memory>
#include <optional>

// `tessary monitor` from start to stop. It measures while it holds the data
// folder and serves the other Tessary processes over the control channel. When
// the window asks, it saves and lets go of the folder; it waits paused while
// the window holds the folder (also when it starts while the window runs) and
// takes it back when the window quits or dies, re-reading the files as after a
// restart, so each interval counts from the newest measurement.
class MonitorSession final : public QObject {
    Q_OBJECT

public:
    struct Options {
        bool quiet = false;
        std::optional<MetricsListenAddress> metrics;
    };

    MonitorSession(CommandContext& context, Options options, Clock& clock = Clock::system());
    ~MonitorSession() override;

    // Takes the folder, or starts paused while the window holds it. An exit
    // code when the monitor cannot run (another monitor holds the folder, the
    // metrics address is taken); none when the event loop should run.
    std::optional<int> start();
    // SIGINT, SIGTERM, SIGHUP: saves and leaves the event loop.
    void stop();

    static constexpr qint64 poll_interval_ms = 250;
    // How long a monitor that stepped aside leaves the folder to the window
    // before it takes it back anyway: the window may have died before taking it.
    static constexpr qint64 hand_over_grace_ms = 5000;

private:
    // False while another process holds the folder (refusal_ says which).
    bool open_store();
    bool may_wait();
    void begin_monitoring();
    ControlAnswer answer(const ControlRequest& request);
    void step_aside();
    void pause();
    void schedule_poll();
    void poll_folder();
    // Asks the process that holds the folder (`pid` in the lock file) who it
    // is, and pauses for a window. None when nobody answers.
    std::optional<HolderRole> identify_holder(qint64 pid);
    QString monitoring_status() const;
    void print_measurement(const QUuid& domain_id, const DomainMeasurement& m);

    CommandContext& context_;
    Options options_;
    Clock& clock_;
    std::unique_ptr<TessaryStore> store_;
    QString refusal_; // why the folder could not be taken, last time
    ControlServer server_;
    SystemdNotifier systemd_;
    bool on_terminal_;
    bool warned_ = false; // the folder's warning comes with the first opening only
    MetricsExposition exposition_;
    std::unique_ptr<MetricsServer> metrics_;
    QByteArray paused_metrics_; // what the endpoint serves while paused
    bool paused_ = false;
    std::unique_ptr<ScheduledCall> poll_;
    QDateTime grace_end_;
    qint64 identified_pid_ = 0;
};
