#include "CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    // A server that hangs up is a failed measurement, not the end of the process.
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessary"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const int code = CommandLine::run(QCoreApplication::arguments(), out, err);
    out.flush();
    err.flush();
    return code;
}
