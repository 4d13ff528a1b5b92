#include "CommandLine.h"
#include "ForwardedCommand.h"
#include "UnixSignalWatcher.h"
#include "Version.h"
#include "store/TessaryStore.h"
#include "ui/QtTranslations.h"
#include "ui/QtUiDialogs.h"
#include "ui/WindowStartup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

// What a run of `tessary` needs from Qt: most commands run headless, the PDF
// report draws text (a GUI application without a display), the window needs
// widgets and a display.
enum class ApplicationType { console, drawing, window };

ApplicationType application_type(const QStringList& arguments)
{
    if (CommandLine::window_options(arguments))
        return ApplicationType::window;
    if (CommandLine::needs_gui_application(arguments))
        return ApplicationType::drawing;
    return ApplicationType::console;
}

std::unique_ptr<QCoreApplication> make_application(ApplicationType type, int& argc, char** argv)
{
    switch (type) {
    case ApplicationType::window:
        return std::make_unique<QApplication>(argc, argv);
    case ApplicationType::drawing:
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Outside a login session (ssh, cron) Qt would choose this folder itself,
        // with a warning on standard error.
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QByteArray("/tmp/runtime-") + QByteArray::number(getuid()));
        return std::make_unique<QGuiApplication>(argc, argv);
    case ApplicationType::console:
        break;
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

bool has_display()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

QStringList raw_arguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    // A server that hangs up is a failed measurement, not the end of the process.
    std::signal(SIGPIPE, SIG_IGN);

    const ApplicationType type = application_type(raw_arguments(argc, argv));
    if (type == ApplicationType::window && !has_display()) {
        std::fputs("tessary: there is no display to open the window on; run \"tessary monitor\" "
                   "to measure without one (see tessary --help).\n",
                   stderr);
        return 1;
    }

    const std::unique_ptr<QCoreApplication> app = make_application(type, argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessary"));

    if (type == ApplicationType::window) {
        QGuiApplication::setDesktopFileName(QStringLiteral(TESSARY_APP_ID));
        const auto options = *CommandLine::window_options(QCoreApplication::arguments());
        // Qt's own texts in the chosen language, from the first dialog on.
        QtTranslations::apply();
        QtUiDialogs dialogs;
        // Before the signal watcher: until the window runs, Ctrl+C or `kill`
        // simply ends a start that waits for another process.
        WindowStartup::Opened opened =
            WindowStartup::open(options.data_directory, options.hidden, dialogs);
        if (!opened.store)
            return opened.exit_code;
        // A logout or `kill` quits like the Quit command: the history is written first.
        UnixSignalWatcher signals({SIGINT, SIGTERM, SIGHUP});
        QObject::connect(&signals, &UnixSignalWatcher::received, app.get(),
                         [] { QCoreApplication::quit(); });
        return WindowStartup::run(std::move(opened), options.hidden, dialogs,
                                  [](const ControlRequest& request, TessaryStore& store) {
                                      return ForwardedCommand::run(request, store,
                                                                   HolderRole::window);
                                  });
    }

    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = CommandLine::run(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    return code;
}
