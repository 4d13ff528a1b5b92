// Monitoring at scale against a local HTTPS server, with every piece real: the
// store, the scheduler, the network gate, the curl engine and the history saves.
//
//   monitor_benchmark [--domains N] [--interval I] [--seconds S]
//       N domains at an interval of I seconds, all due at the same instant, for
//       S seconds (default 1000, 20 and 180; 10000 at 60 is the large case), in
//       this process: the stored total times
//       against those of the same URL measured alone in the same run (before
//       and after), lateness of every measurement against its planned start,
//       the gaps between a domain's measurements, main-thread stalls, CPU and
//       history saves, memory.
//   monitor_benchmark --soak [--domains N] [--seconds S]
//       runs `tessary monitor` itself for S seconds (default 3600) on N domains
//       (default 50) and samples its resident memory against its history.
#include "ServerProcess.h"
#include "measurement/CurlEngine.h"
#include "measurement/EngineMeasurementSource.h"
#include "model/DomainJson.h"
#include "store/MonitoringSchedule.h"
#include "store/TessaryStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

int interval_seconds = 20;

// The URL every domain's measurements are compared with.
QString site_url(quint16 port, int i)
{
    return QStringLiteral("https://localhost:%1/?site=%2").arg(port).arg(i);
}

double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// `field` is VmRSS (now) or VmHWM (the peak).
double resident_megabytes(qint64 pid, QByteArrayView field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

void write_domains(const QString& directory, int count, quint16 port)
{
    QList<MonitoredDomain> domains;
    for (int i = 0; i < count; ++i) {
        MonitoredDomain domain;
        domain.id = QUuid::createUuid();
        domain.url_string = site_url(port, i);
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

// `count` measurements of `url`, one after the other, nothing else running.
std::vector<double> measured_alone(const QString& url, int count)
{
    EngineMeasurementSource source;
    std::vector<double> totals;
    for (int i = 0; i < count; ++i) {
        QEventLoop loop;
        source.measure(url, QString(), [&](std::optional<DomainMeasurement> m) {
            if (m && m->is_successful())
                totals.push_back(m->total_time);
            loop.quit();
        });
        loop.exec();
        QThread::msleep(50);
    }
    return totals;
}

QString load_text()
{
    double load[3] = {};
    if (getloadavg(load, 3) != 3)
        return QStringLiteral("unknown");
    return QStringLiteral("%1 %2 %3 on %4 cores")
        .arg(load[0], 0, 'f', 2)
        .arg(load[1], 0, 'f', 2)
        .arg(load[2], 0, 'f', 2)
        .arg(QThread::idealThreadCount());
}

// How late each measurement started against the slot the schedule had planned
// for it: from the history before it, or for the first, from the start of the run.
std::vector<double> lateness_of(const MonitoredDomain& domain, const QDateTime& run_started)
{
    std::vector<double> lateness;
    MonitoredDomain before = domain;
    const QList<DomainMeasurement> list = domain.measurements; // newest first
    for (qsizetype k = list.size() - 1; k >= 0; --k) {
        before.measurements = list.mid(k + 1);
        QDateTime planned;
        if (before.measurements.isEmpty()) {
            planned = run_started.addMSecs(
                MonitoringSchedule::delay_before_next_measurement(before, run_started));
        } else {
            planned = *MonitoringSchedule::next_measurement_date(before, run_started);
        }
        lateness.push_back(double(planned.msecsTo(list[k].measured_at)) / 1000.0);
    }
    return lateness;
}

int scale(const QString& directory, int seconds, quint16 port)
{
    const QString alone_url = site_url(port, 0);
    std::printf("load before:             %s\n", qPrintable(load_text()));
    std::vector<double> alone = measured_alone(alone_url, 25);

    EngineMeasurementSource source;
    TessaryStore::Environment environment;
    environment.measurement_source = &source;
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
    qint64 worst_stall_at_ms = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = beat_clock.elapsed();
        if (now - last_beat - 10 > worst_stall_ms) {
            worst_stall_ms = now - last_beat - 10;
            worst_stall_at_ms = now;
        }
        last_beat = now;
    });
    heartbeat.start(10);

    const double cpu_before = cpu_seconds();
    const QDateTime run_started = QDateTime::currentDateTimeUtc();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    const double wall_seconds = double(wall.elapsed()) / 1000.0;
    const double cpu = cpu_seconds() - cpu_before;
    const QString load_during = load_text();
    const double resident = resident_megabytes(getpid());
    const double peak_resident = resident_megabytes(getpid(), "VmHWM:");

    std::vector<double> lateness;    // after each domain's first measurement
    std::vector<double> first_round; // which waits for the network gate to settle (2 s)
    std::vector<double> totals;
    std::vector<double> gaps; // between consecutive measurements of a domain, minus the interval
    qsizetype measured = 0;
    qsizetype failed = 0;
    int fewest = std::numeric_limits<int>::max();
    for (const MonitoredDomain& domain : store.domains()) {
        const auto& list = domain.measurements; // newest first
        fewest = std::min(fewest, int(list.size()));
        measured += list.size();
        for (const DomainMeasurement& m : list) {
            failed += m.is_failed() ? 1 : 0;
            if (m.is_successful())
                totals.push_back(m.total_time);
        }
        for (qsizetype k = 0; k + 1 < list.size(); ++k) {
            gaps.push_back(double(list[k + 1].measured_at.msecsTo(list[k].measured_at)) / 1000.0 -
                           interval_seconds);
        }
        const std::vector<double> late = lateness_of(domain, run_started);
        if (!late.empty()) {
            first_round.push_back(late.front());
            lateness.insert(lateness.end(), late.begin() + 1, late.end());
        }
    }
    const qsizetype domain_count = store.domains().size();
    store.flush_persistence();
    opened.value().reset(); // nothing else runs while the URL is measured alone again
    const std::vector<double> after = measured_alone(alone_url, 25);
    alone.insert(alone.end(), after.begin(), after.end());

    const double alone_median = percentile(alone, 0.5);
    const double alone_p99 = percentile(alone, 0.99);
    const double median = percentile(totals, 0.5);
    const double p99 = percentile(totals, 0.99);
    std::printf("load during (1/5/15 min): %s\n", qPrintable(load_during));
    std::printf("domains:                 %lld, every %d s, all due at once, for %.0f s\n",
                static_cast<long long>(domain_count), interval_seconds, wall_seconds);
    std::printf("measurements:            %lld (%lld failed), at least %d per domain\n",
                static_cast<long long>(measured), static_cast<long long>(failed), fewest);
    std::printf("alone (%zu runs):         median %.2f ms, p99 %.2f ms\n", alone.size(),
                alone_median * 1e3, alone_p99 * 1e3);
    std::printf("stored total_time:       median %.2f ms (%.2f x alone, target <= 1.5), "
                "p99 %.2f ms (%.2f x alone median, target <= 3)\n",
                median * 1e3, median / alone_median, p99 * 1e3, p99 / alone_median);
    std::printf("lateness p50 / p99 / max: %.3f / %.3f / %.3f s (target p99 <= 2 s)\n",
                percentile(lateness, 0.5), percentile(lateness, 0.99), percentile(lateness, 1.0));
    std::printf("first round p50 / p99 / max: %.3f / %.3f / %.3f s (after start-up the network "
                "gate waits 2 s for a settled network)\n",
                percentile(first_round, 0.5), percentile(first_round, 0.99),
                percentile(first_round, 1.0));
    std::printf("gap - interval p50 / p99 / max: %.3f / %.3f / %.3f s\n", percentile(gaps, 0.5),
                percentile(gaps, 0.99), percentile(gaps, 1.0));
    std::printf("baseline probes:         %d (one per %.0f measurements)\n",
                source.probes_started(),
                double(measured) / double(std::max(source.probes_started(), 1)));
    std::printf("worst main-thread stall: %lld ms, %.1f s into the run (target <= 50)\n",
                static_cast<long long>(worst_stall_ms), double(worst_stall_at_ms) / 1000.0);
    std::printf("CPU:                     %.1f%% of one core (target <= 30%%)\n",
                100.0 * cpu / wall_seconds);
    std::printf("memory:                  %.0f MB resident, %.0f MB at its peak\n", resident,
                peak_resident);
    std::printf("history saves:           %d in %.0f s (at most one per 20 s)\n", saves,
                wall_seconds);
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
        {QStringLiteral("interval"), QStringLiteral("Interval in seconds."), QStringLiteral("i")});
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
    interval_seconds = option("interval", 20);
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
                : scale(directory.path(), seconds, server.port);
    server.stop();
    return code;
}
