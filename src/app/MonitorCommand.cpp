#include "MonitorCommand.h"

#include "AlertLine.h"
#include "CommandOptions.h"
#include "MeasurementResult.h"
#include "OpenStore.h"
#include "SystemdNotifier.h"
#include "UnixSignalWatcher.h"
#include "i18n/MeasurementFormatter.h"
#include "i18n/TerminalText.h"
#include "measurement/CurlEngine.h"
#include "metrics/MetricsExposition.h"
#include "metrics/MetricsListenAddress.h"
#include "metrics/MetricsServer.h"
#include "model/DomainHost.h"

#include <QCoreApplication>

#include <csignal>
#include <memory>
#include <optional>

namespace {

// local time, host, status or error, total time, level
void print_measurement(CommandContext& context, const TessaryStore& store, const QUuid& domain_id,
                       const DomainMeasurement& m)
{
    for (const MonitoredDomain& domain : store.domains()) {
        if (domain.id != domain_id)
            continue;
        const QString level = m.is_local_network_issue
                                  ? QStringLiteral("local network issue")
                                  : domain_measurement_level_key(domain.measurement_level(m));
        context.out << MeasurementFormatter::date_time().string(m.measured_at) << "  "
                    << TerminalText::printable(domain_host(domain.url_string)) << "  "
                    << measurement_result(m) << "  " << MeasurementFormatter::duration(m.total_time)
                    << "  " << level << Qt::endl;
        return;
    }
}

} // namespace

int run_monitor_command(CommandContext& context)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("quiet"), QStringLiteral("Print nothing per measurement.")});
    parser.addOption({QStringLiteral("metrics"),
                      QStringLiteral("Serve Prometheus metrics at http://ADDRESS/metrics."),
                      QStringLiteral("ADDRESS")});
    if (!parse_command_options(context, parser, "monitor", 0))
        return 1;
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
    if (!quiet) {
        context.out << monitoring << " in "
                    << TerminalText::printable(store->files().support_directory)
                    << "; stop with Ctrl+C." << Qt::endl;
        QObject::connect(store.get(), &TessaryStore::measurement_recorded, store.get(),
                         [&](const QUuid& id, const DomainMeasurement& m) {
                             print_measurement(context, *store, id, m);
                         });
    }
    // Rare and wanted even by a quiet monitor, as its one sign of trouble.
    QObject::connect(
        store.get(), &TessaryStore::domain_alert, store.get(),
        [&](const DomainAlert& alert) { context.out << alert_line(alert) << Qt::endl; });
    SystemdNotifier systemd;
    systemd.ready(monitoring);
    QObject::connect(&signals, &UnixSignalWatcher::received, store.get(), [&store, &systemd] {
        systemd.stopping();
        // Like the window when it quits: the history file is left complete.
        store->close_persistence();
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    return 0;
}
