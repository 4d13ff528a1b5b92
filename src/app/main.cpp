#include "CommandLine.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// The PDF report needs a GUI application for its fonts; it draws without a
// display, on the offscreen platform unless the user chose another one.
std::unique_ptr<QCoreApplication> make_application(int& argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (!CommandLine::needs_gui_application(arguments))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Outside a login session (ssh, cron) Qt would choose this folder itself, with
    // a warning on standard error.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QByteArray("/tmp/runtime-") + QByteArray::number(getuid()));
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    // A server that hangs up is a failed measurement, not the end of the process.
    std::signal(SIGPIPE, SIG_IGN);

    const std::unique_ptr<QCoreApplication> app = make_application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessary"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = CommandLine::run(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    return code;
}
