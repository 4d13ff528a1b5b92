// The control channel's speed, with `tessary monitor` as a real process and
// this process as the window (offscreen). Prints its figures:
//   - an editing command answered by a running monitor with 1,000 domains, from
//     the command's start to its exit, against the same command run alone;
//   - the hand-over from the monitor to the window with 1,000,000 stored
//     measurements: from the window's start to its first paint, against the
//     store's load time;
//   - the hand-over back: from the window's quit to the monitor monitoring again.
#include "BenchmarkText.h"
#include "DemoDataFolder.h"
#include "FakeUiDialogs.h"
#include "control/ControlClient.h"
#include "control/ControlPaths.h"
#include "store/TessaryStore.h"
#include "ui/MainWindow.h"
#include "ui/SidebarView.h"
#include "ui/WindowStartup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace {

using BenchmarkText::ms;
using BenchmarkText::out;

QString spread(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return QStringLiteral("median %1 ms, max %2 ms")
        .arg(values[values.size() / 2], 0, 'f', 1)
        .arg(values.back(), 0, 'f', 1);
}

// `tessary ARGUMENTS` from its start to its exit, in milliseconds.
double timed_run(const QStringList& arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(QStringLiteral(TESSARY_BINARY), arguments);
    process.waitForFinished(60'000);
    const double elapsed = ms(timer.nsecsElapsed());
    if (process.exitCode() != 0)
        out() << "  failed: " << process.readAllStandardError() << Qt::endl;
    return elapsed;
}

// `tessary monitor` on a folder, stopped with SIGTERM at the end.
class Monitor {
public:
    explicit Monitor(const QString& folder)
    {
        process_.start(QStringLiteral(TESSARY_BINARY),
                       {QStringLiteral("monitor"), QStringLiteral("--data-dir"), folder});
    }
    ~Monitor()
    {
        process_.terminate();
        process_.waitForFinished(60'000);
    }

    // Waits until the monitor has printed `text`; false when it did not in time.
    bool wait_for(const char* text, int timeout_ms = 120'000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!printed_.contains(text)) {
            if (timer.elapsed() > timeout_ms)
                return false;
            process_.waitForReadyRead(10);
            printed_ += process_.readAllStandardOutput();
            QCoreApplication::processEvents();
        }
        return true;
    }

private:
    QProcess process_;
    QByteArray printed_;
};

// Sites that are never due while the benchmark runs: their newest measurement
// is now and their interval an hour. Nothing listens at their port.
QList<DemoDataFolder::Site> quiet_sites(int count)
{
    QList<DemoDataFolder::Site> sites;
    for (int i = 0; i < count; ++i)
        sites.append({QStringLiteral("https://localhost:1/?site=%1").arg(i)});
    return sites;
}

void edits_through_a_monitor(const QString& folder)
{
    DemoDataFolder::write(folder, quiet_sites(1000), QDateTime::currentDateTimeUtc(), 20, 3600);
    const QStringList data_dir{QStringLiteral("--data-dir"), folder};
    const auto add = [&](const QString& name) {
        return timed_run(QStringList{QStringLiteral("add"),
                                     QStringLiteral("https://localhost:1/") + name,
                                     QStringLiteral("--inactive")} +
                         data_dir);
    };
    std::vector<double> alone;
    for (int i = 0; i < 5; ++i)
        alone.push_back(add(QStringLiteral("alone-%1").arg(i)));

    Monitor monitor(folder);
    if (!monitor.wait_for("Monitoring 1005 domains")) {
        out() << "the monitor did not start" << Qt::endl;
        return;
    }
    std::vector<double> added;
    std::vector<double> pinned;
    std::vector<double> exchanged;
    const QString socket = ControlPaths::socket_path(folder).value();
    const ControlRequest pin(ControlRequest::Kind::command, QStringLiteral("pin"),
                             {QStringLiteral("https://localhost:1/?site=7")});
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer timer;
        timer.start();
        ControlClient::exchange(socket, pin);
        exchanged.push_back(ms(timer.nsecsElapsed()));
        added.push_back(add(QStringLiteral("through-%1").arg(i)));
        pinned.push_back(timed_run(
            QStringList{QStringLiteral("pin"), QStringLiteral("https://localhost:1/?site=7")} +
            data_dir));
    }
    out() << "editing commands, 1,000 domains (start to exit of `tessary`):\n"
          << "  add, alone (takes the lock, loads, saves): " << spread(alone) << "\n"
          << "  add, answered by a running monitor:        " << spread(added) << "\n"
          << "  pin, answered by a running monitor:        " << spread(pinned) << "\n"
          << "  of which the exchange and the monitor's work: " << spread(exchanged) << "\n"
          << "  `tessary --version` (the process alone):   "
          << spread({timed_run({QStringLiteral("--version")}),
                     timed_run({QStringLiteral("--version")}),
                     timed_run({QStringLiteral("--version")})})
          << Qt::endl;
}

// Notes the first paint of a widget.
class PaintWatch final : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return QObject::eventFilter(watched, event);
    }
};

void hand_over(const QString& folder)
{
    QList<DemoDataFolder::Site> sites = quiet_sites(10);
    DemoDataFolder::write(folder, sites, QDateTime::currentDateTimeUtc(), 100'000, 3600);

    QElapsedTimer timer;
    TessaryStore::Environment environment;
    environment.support_directory = folder;
    environment.monitors = false;
    double load = 0;
    for (int round = 0; round < 2; ++round) { // the second with the files in the page cache
        timer.start();
        std::unique_ptr<TessaryStore> loading = std::move(TessaryStore::open(environment)).value();
        load = ms(timer.nsecsElapsed());
    }

    timer.start();
    Monitor monitor(folder);
    if (!monitor.wait_for("Monitoring 10 domains")) {
        out() << "the monitor did not start" << Qt::endl;
        return;
    }
    const double monitor_start = ms(timer.nsecsElapsed());
    // What WindowStartup::open does, in its steps: ask, have the monitor save
    // and let go, open the store.
    FakeUiDialogs dialogs;
    const QString socket = ControlPaths::socket_path(folder).value();
    timer.start();
    ControlClient::exchange(socket, ControlRequest(ControlRequest::Kind::show));
    ControlClient::exchange(socket, ControlRequest(ControlRequest::Kind::step_aside), 60'000);
    const double stepped_aside = ms(timer.nsecsElapsed());
    WindowStartup::Opened opened = WindowStartup::open(folder, false, dialogs);
    opened.monitor_takes_over = true; // asked above, in steps
    const double store_open = ms(timer.nsecsElapsed());
    if (!opened.store) {
        out() << "the window did not get the folder" << Qt::endl;
        return;
    }
    auto window = std::make_unique<MainWindow>(*opened.store, dialogs, Clock::system());
    PaintWatch watch;
    window->sidebar().list().viewport()->installEventFilter(&watch);
    window->show();
    while (!watch.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double painted = ms(timer.nsecsElapsed());
    monitor.wait_for("Paused");

    // The window measured meanwhile; as it quits, it saves, and the lock goes
    // with the store.
    for (const MonitoredDomain& domain : opened.store->domains()) {
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = QDateTime::currentDateTimeUtc();
        m.http_status = 200;
        m.total_time = 0.2;
        opened.store->record_measurement(domain.id, m);
    }
    timer.start();
    window.reset();
    WindowStartup::save_before_letting_go(*opened.store, opened.monitor_takes_over);
    opened.store.reset();
    const double released = ms(timer.nsecsElapsed());
    const bool resumed = monitor.wait_for("Resumed monitoring");
    const double back = ms(timer.nsecsElapsed());

    out() << "hand-over, 1,000,000 measurements over 10 domains:\n"
          << "  the store's load time:                    " << load
          << " ms (in a process that loaded it before; `tessary monitor` from its start to "
             "monitoring: "
          << monitor_start << " ms)\n"
          << "  monitor to window, start to first paint:  " << painted << " ms, " << painted - load
          << " ms beyond the load time (the monitor saves and lets go: " << stepped_aside
          << " ms, the window loads: " << store_open - stepped_aside
          << " ms, paints: " << painted - store_open << " ms)\n"
          << "  window to monitor, quit to monitoring:    "
          << (resumed ? QString::number(back) : QStringLiteral("(did not resume)"))
          << " ms (the window's save and release " << released << " ms; " << back - load
          << " ms beyond the load time)" << Qt::endl;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        const QByteArray path = home.filePath(QString::fromLatin1(name)).toLocal8Bit();
        ::mkdir(path.constData(), 0700);
        qputenv(name, path);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessary"));
    edits_through_a_monitor(home.filePath(QStringLiteral("edits")));
    hand_over(home.filePath(QStringLiteral("hand-over")));
    return 0;
}
