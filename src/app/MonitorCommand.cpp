#include "MonitorCommand.h"

#include "AlertLine.h"
#include "CommandOptions.h"
#include "MonitorLine.h"
#include "OpenStore.h"
#include "SystemdNotifier.h"
#include "UnixSignalWatcher.h"
#include "i18n/TerminalText.h"
#include "measurement/CurlEngine.h"
#include "metrics/MetricsExposition.h"
#include "metrics/MetricsListenAddress.h"
#include "metrics/MetricsServer.h"

#include <QCoreApplication>

#include <csignal>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

void print_measurement(CommandContext& context, const TessaryStore& store, const QUuid& domain_id,
                       const DomainMeasurement& m, bool on_terminal)
{
    if (const MonitoredDomain* domain = store.domain_with_id(domain_id))
        context.out << monitor_line(measurement_line(*domain, m), on_terminal) << Qt::endl;
}

} // namespace

int run_monitor_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("quiet"), QStringLiteral("Print nothing per measurement.")});
    parser.addOption({QStringLiteral("metrics"),
                      QStringLiteral("Serve Prometheus metrics at http://ADDRESS/metrics."),
                      QStringLiteral("ADDRESS")});
    if (const auto exit_code = parse_command_options(context, parser, "monitor", 0))
        return *exit_code;
    const bool quiet = parser.isSet(QStringLiteral("quiet"));
    std::optional<MetricsListenAddress> metrics_address;
    if (parser.isSet(QStringLiteral("metrics"))) {
        auto parsed = MetricsListenAddress::parse(parser.value(QStringLiteral("metrics")));
        if (!parsed) {
            context.err << "tessary monitor: " << TerminalText::printable(parsed.error()) << '\n';
            return 1;
        }
        metrics_address = *parsed;
    }

    // One socket per domain being measured, and the server's at the other end.
    CurlEngine::raise_open_file_limit();
    UnixSignalWatcher signals({SIGINT, SIGTERM, SIGHUP});
    const auto store = open_store(context, QStringLiteral("tessary monitor"), true);
    if (!store)
        return 1;

    MetricsExposition exposition;
    std::unique_ptr<MetricsServer> metrics;
    if (metrics_address) {
        metrics = std::make_unique<MetricsServer>(
            [&] { return exposition.render(store->domains()); }, Clock::system());
        const auto bound = metrics->listen(*metrics_address);
        if (!bound) {
            context.err << "tessary monitor: " << bound.error() << '\n';
            return 1;
        }
        // Counting the histories now, before anything is measured, keeps the
        // first scrape as quick as the others.
        exposition.sync(store->domains());
        if (!quiet)
            context.out << "Serving metrics at http://" << bound->to_string() << "/metrics"
                        << Qt::endl;
    }

    const qsizetype active = store->active_domains().size();
    const QString monitoring =
        QStringLiteral("Monitoring %1 %2")
            .arg(QString::number(active),
                 active == 1 ? QStringLiteral("domain") : QStringLiteral("domains"));
    // A log or a journal may be read by others; the user's terminal is the user's.
    const bool on_terminal = ::isatty(STDOUT_FILENO) == 1;
    if (!quiet) {
        context.out << monitoring << " in "
                    << TerminalText::printable(store->files().support_directory)
                    << "; stop with Ctrl+C." << Qt::endl;
        QObject::connect(store.get(), &TessaryStore::measurement_recorded, store.get(),
                         [&](const QUuid& id, const DomainMeasurement& m) {
                             print_measurement(context, *store, id, m, on_terminal);
                         });
    }
    // Rare and wanted even by a quiet monitor, as its one sign of trouble.
    QObject::connect(store.get(), &TessaryStore::domain_alert, store.get(),
                     [&](const DomainAlert& alert) {
                         context.out << monitor_line(alert_line(alert), on_terminal) << Qt::endl;
                     });
    SystemdNotifier systemd;
    systemd.ready(monitoring);
    QObject::connect(&signals, &UnixSignalWatcher::received, store.get(), [&store, &systemd] {
        systemd.stopping();
        // Like the window when it quits: the history goes to disk at once.
        store->flush_persistence();
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    return 0;
}
