// Monitoring at scale against a local HTTPS server, with every piece real: the
// store, the scheduler, the network gate, the curl engine and the history saves.
//
//   monitor_benchmark [--domains N] [--seconds S]
//       N domains at a 20-second interval for S seconds (default 1000 and 180),
//       in this process: lateness of every measurement against its due time,
//       main-thread stalls, CPU and history saves.
//   monitor_benchmark --soak [--domains N] [--seconds S]
//       runs `tessary monitor` itself for S seconds (default 3600) on N domains
//       (default 50) and samples its resident memory against its history.
#include "ServerProcess.h"
#include "measurement/CurlEngine.h"
#include "model/DomainJson.h"
#include "store/TessaryStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int interval_seconds = 20;

double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double resident_megabytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

void write_domains(const QString& directory, int count, quint16 port)
{
    QList<MonitoredDomain> domains;
    for (int i = 0; i < count; ++i) {
        MonitoredDomain domain;
        domain.id = QUuid::createUuid();
        domain.url_string = QStringLiteral("https://localhost:%1/?site=%2").arg(port).arg(i);
        domain.interval_seconds = interval_seconds;
        domains.append(domain);
    }
    QFile file(StoreFiles::in(directory).persistence_url);
    file.open(QIODevice::WriteOnly);
    file.write(DomainJson::encode_list(domains));
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1))];
}

int scale(const QString& directory, int seconds)
{
    TessaryStore::Environment environment;
    environment.support_directory = directory;
    environment.lock_holder = QStringLiteral("monitor_benchmark");
    auto opened = TessaryStore::open(environment);
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error()));
        return 1;
    }
    TessaryStore& store = **opened;

    int saves = 0;
    QObject::connect(&store, &TessaryStore::history_save_finished, [&] { ++saves; });

    // A heartbeat every 10 ms: any delay beyond it is the main thread being busy.
    QElapsedTimer beat_clock;
    beat_clock.start();
    qint64 last_beat = 0;
    qint64 worst_stall_ms = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = beat_clock.elapsed();
        worst_stall_ms = std::max(worst_stall_ms, now - last_beat - 10);
        last_beat = now;
    });
    heartbeat.start(10);

    const double cpu_before = cpu_seconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    const double wall_seconds = double(wall.elapsed()) / 1000.0;
    const double cpu = cpu_seconds() - cpu_before;

    // Lateness: how long after its due time each measurement started.
    std::vector<double> lateness;
    qsizetype measured = 0;
    qsizetype failed = 0;
    int fewest = std::numeric_limits<int>::max();
    for (const MonitoredDomain& domain : store.domains()) {
        const auto& list = domain.measurements; // newest first
        fewest = std::min(fewest, int(list.size()));
        measured += list.size();
        for (const DomainMeasurement& m : list)
            failed += m.is_failed() ? 1 : 0;
        for (qsizetype k = 0; k + 1 < list.size(); ++k) {
            const double gap =
                double(list[k + 1].measured_at.msecsTo(list[k].measured_at)) / 1000.0;
            lateness.push_back(gap - interval_seconds - list[k].total_time);
        }
    }
    std::printf("domains:                 %lld, every %d s, for %.0f s\n",
                static_cast<long long>(store.domains().size()), interval_seconds, wall_seconds);
    std::printf("measurements:            %lld (%lld failed), at least %d per domain\n",
                static_cast<long long>(measured), static_cast<long long>(failed), fewest);
    std::printf("lateness p50 / p99 / max: %.3f / %.3f / %.3f s (target p99 <= 1 s)\n",
                percentile(lateness, 0.5), percentile(lateness, 0.99), percentile(lateness, 1.0));
    std::printf("worst main-thread stall: %lld ms (target <= 50)\n",
                static_cast<long long>(worst_stall_ms));
    std::printf("CPU:                     %.1f%% of one core (target <= 30%%)\n",
                100.0 * cpu / wall_seconds);
    std::printf("history saves:           %d in %.0f s (at most one per 20 s)\n", saves,
                wall_seconds);
    store.flush_persistence();
    return 0;
}

int soak(const QString& directory, int seconds, int domains, const QString& tessary)
{
    QProcess monitor;
    monitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    monitor.setStandardOutputFile(QProcess::nullDevice());
    monitor.start(tessary, {QStringLiteral("monitor"), QStringLiteral("--quiet"),
                            QStringLiteral("--data-dir"), directory});
    if (!monitor.waitForStarted())
        return 1;
    const qint64 pid = monitor.processId();
    std::printf("soak: tessary monitor, %d domains every %d s, %d s\n", domains, interval_seconds,
                seconds);
    std::printf("%8s %12s %14s\n", "seconds", "RSS (MB)", "measurements");
    const int samples = 12;
    for (int sample = 0; sample <= samples; ++sample) {
        if (sample > 0)
            QThread::sleep(unsigned(seconds / samples));
        // Measurements so far: each costs about 200 bytes in memory once loaded.
        const qint64 expected =
            qint64(double(sample * (seconds / samples)) / interval_seconds) * domains;
        std::printf("%8d %12.1f %14lld\n", sample * (seconds / samples), resident_megabytes(pid),
                    static_cast<long long>(expected));
        std::fflush(stdout);
    }
    monitor.terminate(); // SIGTERM: the history is flushed, exit code 0
    monitor.waitForFinished(30'000);
    std::printf("exit code after SIGTERM: %d; history file %.1f MB\n", monitor.exitCode(),
                double(QFile(StoreFiles::in(directory).history_url).size()) / 1e6);
    return monitor.exitCode();
}

} // namespace

int main(int argc, char** argv)
{
    // The server forks first, while this process has no threads.
    const ServerProcess server = ServerProcess::start();
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("domains"), QStringLiteral("Domains."), QStringLiteral("n")});
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Duration."), QStringLiteral("s")});
    parser.addOption(
        {QStringLiteral("soak"), QStringLiteral("Run tessary monitor and sample it.")});
    parser.addOption({QStringLiteral("tessary"), QStringLiteral("The tessary binary to soak."),
                      QStringLiteral("path"), QStringLiteral(TESSARY_BINARY)});
    parser.process(app);
    const bool soaking = parser.isSet(QStringLiteral("soak"));
    const auto option = [&](const char* name, int fallback) {
        const int value = parser.value(QString::fromLatin1(name)).toInt();
        return value > 0 ? value : fallback;
    };
    const int domains = option("domains", soaking ? 50 : 1000);
    const int seconds = option("seconds", soaking ? 3600 : 180);
    if (server.port == 0) {
        std::fprintf(stderr, "the local server did not start\n");
        return 1;
    }

    qputenv("TESSARY_CA_BUNDLE", server.ca_file.toLocal8Bit());
    qputenv("TESSARY_PROBE_URL",
            QStringLiteral("https://localhost:%1/generate_204").arg(server.port).toLocal8Bit());
    CurlEngine::raise_open_file_limit();
    QTemporaryDir directory;
    write_domains(directory.path(), domains, server.port);
    const int code =
        soaking ? soak(directory.path(), seconds, domains, parser.value(QStringLiteral("tessary")))
                : scale(directory.path(), seconds);
    server.stop();
    return code;
}
