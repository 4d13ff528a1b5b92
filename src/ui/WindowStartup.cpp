#include "ui/WindowStartup.h"

#include "control/ControlClient.h"
#include "control/ControlPaths.h"
#include "control/ControlServer.h"
#include "i18n/L10n.h"
#include "measurement/DBusNotificationSink.h"
#include "store/TessaryStore.h"
#include "ui/MainWindow.h"
#include "ui/UiDialogs.h"
#include "ui/WindowTray.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QSystemTrayIcon>
#include <QThread>

#include <cstdio>
#include <utility>

namespace {

using Kind = ControlRequest::Kind;

// Asks the holder, if one answers: true when it is a window that came forward.
// A monitor is asked to step aside, and the wait for the lock grows, once, to
// cover its save.
bool ask_holder(const QString& socket, bool hidden, QDeadlineTimer& wait, bool& asked_monitor)
{
    const auto holder =
        ControlClient::exchange(socket, ControlRequest(hidden ? Kind::identify : Kind::show));
    if (!holder)
        return false;
    if (holder->role == HolderRole::window)
        return true;
    if (!std::exchange(asked_monitor, true))
        wait.setRemainingTime(WindowStartup::hand_over_wait_ms);
    ControlClient::exchange(socket, ControlRequest(Kind::step_aside));
    return false;
}

} // namespace

WindowStartup::Opened WindowStartup::open(const QString& data_directory, bool hidden,
                                          UiDialogs& dialogs)
{
    const auto socket = ControlPaths::socket_path(data_directory);
    TessaryStore::Environment environment;
    environment.support_directory = data_directory;
    environment.lock_holder = holder_description(HolderRole::window);
    QDeadlineTimer wait(lock_wait_ms);
    bool asked_monitor = false;
    for (;;) {
        if (socket && ask_holder(*socket, hidden, wait, asked_monitor))
            return {nullptr, 0};
        auto opened = TessaryStore::open(environment);
        if (opened) {
            // Where a command would say it too; the window has no place that lasts.
            if (const auto& warning = (*opened)->support_directory_warning())
                std::fprintf(stderr, "tessary: warning: %s\n", qPrintable(*warning));
            for (const QString& warning : (*opened)->load_warnings())
                std::fprintf(stderr, "tessary: %s\n", qPrintable(warning));
            return {std::move(opened).value(), 0, asked_monitor};
        }
        if (wait.hasExpired()) {
            dialogs.show_error(nullptr,
                               L10n::text(u"Tessary cannot open its data folder",
                                          u"Tessary kan zijn gegevensmap niet openen"),
                               opened.error());
            return {nullptr, 1};
        }
        QThread::msleep(100);
    }
}

void WindowStartup::save_before_letting_go(TessaryStore& store, bool monitor_takes_over)
{
    if (monitor_takes_over)
        store.flush_persistence();
    else
        store.close_persistence();
}

int WindowStartup::run(Opened opened, bool hidden, UiDialogs& dialogs,
                       const CommandRunner& commands)
{
    const std::unique_ptr<TessaryStore> store = std::move(opened.store);
    MainWindow window(*store, dialogs, Clock::system());
    WindowTray tray(window, *store, QSystemTrayIcon::isSystemTrayAvailable());
    ControlServer server([&](const ControlRequest& request) {
        ControlAnswer answer(HolderRole::window);
        if (request.kind == Kind::show)
            window.bring_to_front();
        else if (request.kind == Kind::command)
            answer = commands(request, *store);
        return answer;
    });
    const auto socket = ControlPaths::socket_path(store->files().support_directory);
    const auto refused =
        socket ? server.listen(*socket) : std::optional<QString>(socket.error().message);
    if (refused)
        std::fprintf(stderr, "tessary: other Tessary processes cannot reach this window: %s\n",
                     qPrintable(*refused));

    QObject::connect(&DBusNotificationSink::shared(), &DBusNotificationSink::domain_activated,
                     &window, &MainWindow::show_domain);
    if (!hidden || !tray.is_available())
        window.show();
    const int code = QApplication::exec();
    // Nobody may reach a window without the folder, and all is saved before the
    // lock goes with the store.
    server.close();
    save_before_letting_go(*store, opened.monitor_takes_over);
    return code;
}
