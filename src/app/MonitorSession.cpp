#include "MonitorSession.h"

#include "AlertLine.h"
#include "ForwardedCommand.h"
#include "MonitorLine.h"
#include "OpenStore.h"
#include "control/ControlClient.h"
#include "control/ControlPaths.h"
#include "i18n/TerminalText.h"

#include <QCoreApplication>

#include <unistd.h>

namespace {

const QString paused_status = QStringLiteral("Paused while the Tessary window is open");

QString domain_count(qsizetype count)
{
    return QStringLiteral("%1 %2").arg(
        QString::number(count), count == 1 ? QStringLiteral("domain") : QStringLiteral("domains"));
}

} // namespace

MonitorSession::MonitorSession(CommandContext& context, Options options, Clock& clock)
    : context_(context), options_(std::move(options)), clock_(clock),
      server_([this](const ControlRequest& request) { return answer(request); },
              ControlServer::Settings::on(clock)),
      systemd_(clock),
      // A log or a journal may be read by others; the user's terminal is the user's.
      on_terminal_(::isatty(STDOUT_FILENO) == 1)
{}

MonitorSession::~MonitorSession() = default;

std::optional<int> MonitorSession::start()
{
    grace_end_ = clock_.now();
    const bool opened = open_store();
    if (!opened && !may_wait()) {
        context_.err << "tessary: " << refusal_ << '\n';
        return 1;
    }
    if (options_.metrics) {
        metrics_ = std::make_unique<MetricsServer>(
            [this] { return store_ ? exposition_.render(store_->domains()) : paused_metrics_; },
            clock_);
        const auto bound = metrics_->listen(*options_.metrics);
        if (!bound) {
            context_.err << "tessary monitor: " << bound.error() << '\n';
            return 1;
        }
        if (!options_.quiet)
            context_.out << "Serving metrics at http://" << bound->to_string() << "/metrics"
                         << Qt::endl;
    }
    if (opened)
        begin_monitoring();
    else
        schedule_poll();
    return std::nullopt;
}

// Waits for the window, also one still loading before it answers (the service
// and the window starting together at login); not for another monitor, nor
// for a holder it cannot tell.
bool MonitorSession::may_wait()
{
    const StoreLock::Holder holder = StoreLock::recorded_holder(context_.data_directory);
    const auto role = identify_holder(holder.pid);
    if (role)
        return role == HolderRole::window;
    return holder.description == holder_description(HolderRole::window) &&
           StoreLock::is_running_tessary(holder.pid);
}

void MonitorSession::stop()
{
    systemd_.stopping();
    server_.close();
    // Like the window when it quits: the history file is left complete.
    if (TessaryStore* store = store_.get())
        store->close_persistence();
    QCoreApplication::quit();
}

bool MonitorSession::open_store()
{
    TessaryStore::Environment environment;
    environment.support_directory = context_.data_directory;
    environment.clock = &clock_;
    environment.lock_holder = holder_description(HolderRole::monitor);
    auto opened = TessaryStore::open(environment);
    if (!opened) {
        refusal_ = opened.error();
        return false;
    }
    store_ = std::move(opened).value();
    // The folder's warning once, not at every hand-over.
    print_store_warnings(context_.err, *store_, !warned_);
    warned_ = true;
    return true;
}

void MonitorSession::begin_monitoring()
{
    poll_.reset();
    if (const auto socket = ControlPaths::socket_path(context_.data_directory); !socket)
        context_.err << "tessary monitor: other Tessary processes cannot reach this one: "
                     << socket.error().message << Qt::endl;
    else if (const auto refused = server_.listen(*socket))
        context_.err << "tessary monitor: other Tessary processes cannot reach this one: "
                     << *refused << Qt::endl;

    // Counting the histories now, before anything is measured, keeps the
    // first scrape as quick as the others.
    if (metrics_)
        exposition_.sync(store_->domains());
    if (!options_.quiet)
        connect(store_.get(), &TessaryStore::measurement_recorded, this,
                &MonitorSession::print_measurement);
    // Rare and wanted even by a quiet monitor, as its one sign of trouble.
    connect(store_.get(), &TessaryStore::domain_alert, this, [this](const DomainAlert& alert) {
        context_.out << monitor_line(alert_line(alert), on_terminal_) << Qt::endl;
    });

    const QString status = monitoring_status();
    if (paused_)
        context_.out << "Resumed monitoring " << domain_count(store_->active_domains().size())
                     << '.' << Qt::endl;
    else if (!options_.quiet)
        context_.out << status << " in "
                     << TerminalText::printable(store_->files().support_directory)
                     << "; stop with Ctrl+C." << Qt::endl;
    paused_ = false;
    systemd_.announce(status);
}

ControlAnswer MonitorSession::answer(const ControlRequest& request)
{
    ControlAnswer answer(HolderRole::monitor);
    // A connection taken just before the monitor stepped aside.
    if (!store_ && request.kind != ControlRequest::Kind::identify) {
        answer.exit_code = 1;
        answer.err = QStringLiteral("tessary: the data folder is passing to the Tessary window; "
                                    "run the command again\n");
        return answer;
    }
    switch (request.kind) {
    case ControlRequest::Kind::identify:
    case ControlRequest::Kind::show:
        break;
    case ControlRequest::Kind::step_aside:
        step_aside();
        break;
    case ControlRequest::Kind::command:
        answer = ForwardedCommand::run(request, *store_, HolderRole::monitor);
        break;
    }
    return answer;
}

void MonitorSession::step_aside()
{
    // Nobody may reach a monitor without the folder; then all is saved, and
    // destroying the store releases the lock.
    server_.close();
    if (metrics_)
        paused_metrics_ = exposition_.render(store_->domains());
    store_->flush_persistence();
    store_.reset();
    grace_end_ = clock_.now().addMSecs(hand_over_grace_ms);
    identified_pid_ = 0;
    pause();
    schedule_poll();
}

void MonitorSession::pause()
{
    paused_ = true;
    context_.out << paused_status << "; monitoring resumes when it closes." << Qt::endl;
    systemd_.announce(paused_status);
}

void MonitorSession::schedule_poll()
{
    poll_ = clock_.call_after(poll_interval_ms, [this] { poll_folder(); });
}

// Tries the lock only once the window has taken it (its pid in the lock file)
// or the grace has passed, so the folder is not snatched back in between.
void MonitorSession::poll_folder()
{
    const qint64 pid = StoreLock::recorded_holder(context_.data_directory).pid;
    const bool may_take = pid != QCoreApplication::applicationPid() || clock_.now() >= grace_end_;
    if (may_take && open_store()) {
        begin_monitoring();
        return;
    }
    if (may_take && pid != identified_pid_ && identify_holder(pid) == HolderRole::monitor) {
        context_.err << "tessary: " << refusal_ << Qt::endl;
        systemd_.stopping();
        QCoreApplication::exit(1);
        return;
    }
    schedule_poll();
}

std::optional<HolderRole> MonitorSession::identify_holder(qint64 pid)
{
    const auto socket = ControlPaths::socket_path(context_.data_directory);
    const auto answer =
        socket ? ControlClient::exchange(*socket, ControlRequest())
               : Expected<ControlAnswer, ControlClient::Failure>(ControlClient::Failure::no_holder);
    // Nobody answers (a command holds the folder for a moment, or the window
    // is still loading): the next poll asks again.
    if (!answer)
        return std::nullopt;
    identified_pid_ = pid;
    if (answer->role == HolderRole::window && !paused_)
        pause();
    return answer->role;
}

QString MonitorSession::monitoring_status() const
{
    return QStringLiteral("Monitoring ") + domain_count(store_->active_domains().size());
}

void MonitorSession::print_measurement(const QUuid& domain_id, const DomainMeasurement& m)
{
    if (const MonitoredDomain* domain = store_->domain_with_id(domain_id))
        context_.out << monitor_line(measurement_line(*domain, m), on_terminal_) << Qt::endl;
}
