#include "Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessary"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessary"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARY_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tessary watches how fast and how reliably web sites answer."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);

    parser.showHelp(0);
}
