// Start-up, saving and recording with a large history: 1,000,000 measurements
// over 10 domains with every field a real measurement has. Prints its figures.
//
//   store_benchmark            generates the data folder, then measures it in a
//                              fresh process (so memory is counted from empty)
//   store_benchmark DIR        measures an existing data folder
//   store_benchmark generate DIR   only writes the data folder (for profiling)
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/HistoryWriter.h"
#include "store/TessaryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <random>
#include <unistd.h>

namespace {

constexpr int domain_count = 10;
constexpr int measurements_per_domain = 100'000;

// The clock of the benchmark: time stands still and the debounced save is fired by hand.
class HandClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
    std::unique_ptr<ScheduledCall> call_after(qint64, std::function<void()> callback) override
    {
        pending = std::move(callback);
        return std::make_unique<ScheduledCall>();
    }
    std::function<void()> pending;
};

double resident_megabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    statm.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

DomainMeasurement realistic_measurement(std::mt19937_64& random, const QString& url, qint64 at)
{
    static const QString caches[] = {QStringLiteral("HIT"), QStringLiteral("MISS"),
                                     QStringLiteral("HIT, HIT")};
    static const QString servers[] = {QStringLiteral("cache-ams21041-AMS"),
                                      QStringLiteral("cache-ams21052-AMS"),
                                      QStringLiteral("cache-fra19120-FRA")};
    // Timings come from the HTTP client in whole microseconds.
    std::lognormal_distribution<double> spread(std::log(0.05), 0.5);
    const auto time = [&](std::mt19937_64& r) { return std::round(spread(r) * 1e6) / 1e6; };
    std::uniform_int_distribution<int> pick(0, 2);
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = QDateTime::fromSecsSinceEpoch(at, Qt::UTC);
    m.url_string = url;
    m.dns_time = time(random);
    m.connect_time = time(random);
    m.ssl_time = time(random);
    m.ttfb_time = time(random);
    m.total_time = *m.dns_time + *m.connect_time + *m.ssl_time + *m.ttfb_time + time(random);
    m.total_time = std::round(m.total_time * 1e6) / 1e6;
    m.http_status = 200;
    m.response_x_headers = {{QStringLiteral("x-cache"), caches[pick(random)]},
                            {QStringLiteral("x-served-by"), servers[pick(random)]}};
    m.network_baseline_time = time(random);
    return m;
}

void generate(const QString& directory)
{
    std::mt19937_64 random(1);
    QList<MonitoredDomain> domains;
    HistorySnapshot history;
    const qint64 newest = QDateTime::currentSecsSinceEpoch();
    for (int d = 0; d < domain_count; ++d) {
        MonitoredDomain domain;
        domain.id = QUuid::createUuid();
        domain.url_string = QStringLiteral("https://site%1.example.com/health").arg(d);
        domain.interval_seconds = 60;
        QList<DomainMeasurement> measurements;
        measurements.reserve(measurements_per_domain);
        for (int i = 0; i < measurements_per_domain; ++i)
            measurements.append(realistic_measurement(random, domain.url_string, newest - i * 60));
        history.append({domain.id, measurements});
        domains.append(domain);
    }
    const StoreFiles files = StoreFiles::in(directory);
    QFile config(files.persistence_url);
    config.open(QIODevice::WriteOnly);
    config.write(DomainJson::encode_list(domains));
    QFile history_file(files.history_url);
    history_file.open(QIODevice::WriteOnly);
    history_file.write(HistoryJson::encode(history));
}

int measure(const QString& directory)
{
    const double empty_mb = resident_megabytes();
    const qint64 history_bytes = QFile(StoreFiles::in(directory).history_url).size();
    HandClock clock;

    QElapsedTimer timer;
    timer.start();
    TessaryStore::Environment environment;
    environment.support_directory = directory;
    environment.clock = &clock;
    environment.lock_holder = QStringLiteral("store_benchmark");
    environment.monitors = false;
    auto opened = TessaryStore::open(environment);
    const double load_ms = double(timer.nsecsElapsed()) / 1e6;
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error()));
        return 1;
    }
    TessaryStore& store = **opened;
    qsizetype count = 0;
    for (const MonitoredDomain& domain : store.domains())
        count += domain.measurements.size();
    const double loaded_mb = resident_megabytes();

    // One measurement into a 100,000-measurement domain while nothing shares its list.
    std::mt19937_64 random(2);
    const MonitoredDomain& first = store.domains().first();
    timer.restart();
    store.record_measurement(first.id, realistic_measurement(random, first.url_string,
                                                             QDateTime::currentSecsSinceEpoch()));
    const double record_ms = double(timer.nsecsElapsed()) / 1e6;

    // The debounced save: what the main thread does before the write leaves it.
    timer.restart();
    clock.pending();
    const double snapshot_ms = double(timer.nsecsElapsed()) / 1e6;

    // Recording while that snapshot still shares the list (its first change copies it).
    timer.restart();
    store.record_measurement(first.id, realistic_measurement(random, first.url_string,
                                                             QDateTime::currentSecsSinceEpoch()));
    const double record_shared_ms = double(timer.nsecsElapsed()) / 1e6;

    timer.restart();
    const QByteArray encoded = HistoryJson::encode(store.history_snapshot());
    const double encode_ms = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    const auto decoded = HistoryJson::decode(encoded);
    const double decode_ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("  of which: encode %.1f ms, decode alone %.1f ms\n", encode_ms, decode_ms);

    // One whole history write (encode and atomic replace), as the background thread does it.
    HistoryWriter writer(StoreFiles::in(directory).history_url + QStringLiteral(".bench"));
    const HistorySnapshot snapshot = store.history_snapshot();
    timer.restart();
    writer.write_now(snapshot, writer.next_generation());
    const double write_ms = double(timer.nsecsElapsed()) / 1e6;
    QFile::remove(StoreFiles::in(directory).history_url + QStringLiteral(".bench"));

    std::printf("history file:                   %.1f MB, %lld measurements in %d domains\n",
                double(history_bytes) / 1e6, static_cast<long long>(count), domain_count);
    std::printf("start-up load:                  %8.1f ms   (target <= 2500)\n", load_ms);
    std::printf(
        "history write:                  %8.1f ms   (target <= 1500, off the main thread)\n",
        write_ms);
    std::printf("debounced save, main thread:    %8.3f ms   (target <= 5)\n", snapshot_ms);
    std::printf("record into 100k domain:        %8.3f ms   (target <= 15)\n", record_ms);
    std::printf("record while a save shares it:  %8.3f ms\n", record_shared_ms);
    std::printf("resident memory:                %8.1f MB empty, %.1f MB loaded\n", empty_mb,
                loaded_mb);
    std::printf("per loaded measurement:         %8.0f bytes (target <= 350)\n",
                (loaded_mb - empty_mb) * 1024.0 * 1024.0 / double(count));
    store.flush_persistence();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "generate") == 0) {
        generate(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    if (argc > 1)
        return measure(QString::fromLocal8Bit(argv[1]));

    QTemporaryDir directory;
    std::printf("generating %d measurements...\n", domain_count * measurements_per_domain);
    std::fflush(stdout);
    generate(directory.path());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {directory.path()});
    child.waitForFinished(-1);
    return child.exitCode();
}
