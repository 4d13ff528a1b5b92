#include "CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
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
