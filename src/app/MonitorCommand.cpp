#include "MonitorCommand.h"

#include "CommandOptions.h"
#include "MonitorSession.h"
#include "UnixSignalWatcher.h"
#include "i18n/TerminalText.h"
#include "measurement/CurlEngine.h"

#include <QCoreApplication>

#include <csignal>

int run_monitor_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("quiet"), QStringLiteral("Print nothing per measurement.")});
    parser.addOption({QStringLiteral("metrics"),
                      QStringLiteral("Serve Prometheus metrics at http://ADDRESS/metrics."),
                      QStringLiteral("ADDRESS")});
    if (const auto exit_code = parse_command_options(context, parser, "monitor", 0))
        return *exit_code;
    MonitorSession::Options options{.quiet = parser.isSet(QStringLiteral("quiet")),
                                    .metrics = std::nullopt};
    if (parser.isSet(QStringLiteral("metrics"))) {
        auto parsed = MetricsListenAddress::parse(parser.value(QStringLiteral("metrics")));
        if (!parsed) {
            context.err << "tessary monitor: " << TerminalText::printable(parsed.error()) << '\n';
            return 1;
        }
        options.metrics = *parsed;
    }

    // One socket per domain being measured, and the server's at the other end.
    CurlEngine::raise_open_file_limit();
    UnixSignalWatcher signals({SIGINT, SIGTERM, SIGHUP});
    MonitorSession session(context, options);
    QObject::connect(&signals, &UnixSignalWatcher::received, &session,
                     [&session] { session.stop(); });
    if (const auto code = session.start())
        return *code;
    return QCoreApplication::exec();
}
