// Start-up, saving and recording with a large history: 1,000,000 measurements
// over 10 domains with every field a real measurement has. Prints its figures.
//
//   store_benchmark            generates the data folder, then measures it in
//                              fresh processes (so memory is counted from empty):
//                              loading, recording, a day of saves to the journal,
//                              a compaction, and start-up with 100,000 journal lines
//   store_benchmark large      the same start-up with 10,000,000 measurements
//                              (100 domains; 3.3 GB on disk, about 3 GB in memory)
//   store_benchmark generate DIR [DOMAINS [JOURNAL_LINES]]
//                              only writes the data folder
//   store_benchmark start-up DIR   measures the start-up of a data folder
#include "model/AtomicFile.h"
#include "model/DomainJson.h"
#include "model/MeasurementJson.h"
#include "store/FileIdentity.h"
#include "store/HistoryJournal.h"
#include "store/HistoryJson.h"
#include "store/TessaryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int measurements_per_domain = 100'000;
constexpr int domain_count = 10;
constexpr int large_domain_count = 100;
// 10 domains measured every 20 s, saved every 20 s.
constexpr int saves_per_day = 24 * 3600 / 20;
constexpr int journal_lines_at_start_up = 100'000;

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

// What this process has written: handed to write() (`wchar`) and sent towards the
// disk (`write_bytes`, whole pages).
struct WrittenBytes {
    double handed = 0;
    double to_disk = 0;

    static WrittenBytes now()
    {
        QFile io(QStringLiteral("/proc/self/io"));
        io.open(QIODevice::ReadOnly);
        WrittenBytes bytes;
        for (const QByteArray& line : io.readAll().split('\n')) {
            if (line.startsWith("wchar:"))
                bytes.handed = line.mid(6).trimmed().toDouble();
            else if (line.startsWith("write_bytes:"))
                bytes.to_disk = line.mid(12).trimmed().toDouble();
        }
        return bytes;
    }
    WrittenBytes since(const WrittenBytes& start) const
    {
        return {handed - start.handed, to_disk - start.to_disk};
    }
};

// Of this process, user and system: less at the mercy of other processes than
// the time on the clock when the machine is busy.
double cpu_ms()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double elapsed_ms(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
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

// Appends `count` measurements to the journal, one domain after the other; a
// journal that is not there yet starts with the history file's name.
void append_journal(const StoreFiles& files, const QList<std::pair<QUuid, QString>>& domains,
                    int count)
{
    std::mt19937_64 random(3);
    QByteArray lines;
    if (!QFile::exists(files.journal_url))
        lines = HistoryJournal::header(FileIdentity::of_path(files.history_url));
    for (int i = 0; i < count; ++i) {
        const auto& [id, url] = domains[i % domains.size()];
        HistoryJournal::append_entry(
            lines, id, realistic_measurement(random, url, QDateTime::currentSecsSinceEpoch()));
    }
    QFile journal(files.journal_url);
    journal.open(QIODevice::Append);
    journal.write(lines);
}

// One domain's history at a time, so 10 million measurements need no more memory
// than 100,000.
void generate(const QString& directory, int domains_wanted, int journal_lines)
{
    std::mt19937_64 random(1);
    QList<MonitoredDomain> domains;
    QList<std::pair<QUuid, QString>> names;
    for (int d = 0; d < domains_wanted; ++d) {
        MonitoredDomain domain;
        domain.id = QUuid::createUuid();
        domain.url_string = QStringLiteral("https://site%1.example.com/health").arg(d);
        domain.interval_seconds = 60;
        domains.append(domain);
        names.append({domain.id, domain.url_string});
    }
    QDir().mkpath(directory);
    const StoreFiles files = StoreFiles::in(directory);
    AtomicFile::write(files.persistence_url, DomainJson::encode_list(domains));
    const qint64 newest = QDateTime::currentSecsSinceEpoch();
    AtomicFile::write_with(files.history_url, [&](AtomicFile::OutputStream& stream) {
        rapidjson::Writer<AtomicFile::OutputStream> writer(stream);
        writer.StartObject();
        for (const MonitoredDomain& domain : std::as_const(domains)) {
            QList<DomainMeasurement> measurements;
            measurements.reserve(measurements_per_domain);
            for (int i = 0; i < measurements_per_domain; ++i)
                measurements.append(
                    realistic_measurement(random, domain.url_string, newest - i * 60));
            JsonWrite::uuid(writer, domain.id);
            MeasurementJson::write_list(writer, measurements);
        }
        writer.EndObject();
    });
    if (journal_lines > 0)
        append_journal(files, names, journal_lines);
}

std::unique_ptr<TessaryStore> open_store(const QString& directory, Clock& clock)
{
    TessaryStore::Environment environment;
    environment.support_directory = directory;
    environment.clock = &clock;
    environment.lock_holder = QStringLiteral("store_benchmark");
    environment.monitors = false;
    auto opened = TessaryStore::open(environment);
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error()));
        std::exit(1);
    }
    return std::move(opened).value();
}

qsizetype measurement_count(const TessaryStore& store)
{
    qsizetype count = 0;
    for (const MonitoredDomain& domain : store.domains())
        count += domain.measurements.size();
    return count;
}

// Start-up of the folder as it is, in a fresh process.
int measure_start_up(const QString& directory)
{
    const double empty_mb = resident_megabytes();
    const StoreFiles files = StoreFiles::in(directory);
    const qint64 history_bytes = QFile(files.history_url).size();
    const qint64 journal_bytes = QFile(files.journal_url).size();
    HandClock clock;
    const double cpu_before = cpu_ms();
    QElapsedTimer timer;
    timer.start();
    const auto store = open_store(directory, clock);
    const double load_ms = elapsed_ms(timer);
    const double load_cpu_ms = cpu_ms() - cpu_before;
    const double loaded_mb = resident_megabytes();
    const qsizetype count = measurement_count(*store);
    std::printf("start-up with %lld measurements in %lld domains (history file %.1f MB, "
                "journal %.1f MB):\n",
                static_cast<long long>(count), static_cast<long long>(store->domains().size()),
                double(history_bytes) / 1e6, double(journal_bytes) / 1e6);
    std::printf("  load:                         %8.1f ms (%.1f ms of CPU time)\n", load_ms,
                load_cpu_ms);
    std::printf("  resident memory:              %8.1f MB empty, %.1f MB loaded, %.0f bytes per "
                "measurement\n",
                empty_mb, loaded_mb, (loaded_mb - empty_mb) * 1024.0 * 1024.0 / double(count));
    std::fflush(stdout);
    return 0;
}

// Records `per_domain` measurements into every domain. Ids and URLs are copied
// out first: a copy of a domain would share its history, and recording would copy it.
void record_round(TessaryStore& store, std::mt19937_64& random, int per_domain)
{
    QList<std::pair<QUuid, QString>> domains;
    for (const MonitoredDomain& domain : store.domains())
        domains.append({domain.id, domain.url_string});
    for (int i = 0; i < per_domain; ++i) {
        for (const auto& [id, url] : std::as_const(domains))
            store.record_measurement(
                id, realistic_measurement(random, url, QDateTime::currentSecsSinceEpoch()));
    }
}

// Fires the debounced save and waits until the writer has finished it.
double save_and_wait(TessaryStore& store, HandClock& clock)
{
    bool finished = false;
    const auto connection =
        QObject::connect(&store, &TessaryStore::history_save_finished, [&] { finished = true; });
    QElapsedTimer timer;
    timer.start();
    clock.pending();
    const double main_thread_ms = elapsed_ms(timer);
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(connection);
    return main_thread_ms;
}

// Loading, recording and saving in one process; leaves the journal with
// journal_lines_at_start_up lines for the next start-up.
int measure(const QString& directory)
{
    const double empty_mb = resident_megabytes();
    const StoreFiles files = StoreFiles::in(directory);
    const qint64 history_bytes = QFile(files.history_url).size();
    HandClock clock;
    QElapsedTimer timer;
    timer.start();
    auto opened = open_store(directory, clock);
    TessaryStore& store = *opened;
    const double load_ms = elapsed_ms(timer);
    const qsizetype count = measurement_count(store);
    const double loaded_mb = resident_megabytes();

    // One measurement into a 100,000-measurement domain, and one while a
    // compaction's snapshot shares the histories (the first change of each copies
    // its list).
    std::mt19937_64 random(2);
    const QUuid first_id = store.domains().first().id;
    const QString first_url = store.domains().first().url_string;
    const auto record_first = [&] {
        QElapsedTimer record_timer;
        record_timer.start();
        store.record_measurement(
            first_id, realistic_measurement(random, first_url, QDateTime::currentSecsSinceEpoch()));
        return elapsed_ms(record_timer);
    };
    const double record_ms = record_first();
    double record_shared_ms = 0;
    {
        const HistorySnapshot held = store.history_snapshot();
        record_shared_ms = record_first();
    }
    save_and_wait(store, clock);

    // A save of 20 measurements: what the main thread does before the append leaves it.
    record_round(store, random, 2);
    const double save_ms = save_and_wait(store, clock);

    // A day of saves: every 20 s one measurement of each domain.
    const WrittenBytes day_start = WrittenBytes::now();
    timer.restart();
    double slowest_save_ms = 0;
    for (int save = 0; save < saves_per_day; ++save) {
        record_round(store, random, 1);
        slowest_save_ms = std::max(slowest_save_ms, save_and_wait(store, clock));
    }
    const double day_ms = elapsed_ms(timer);
    const WrittenBytes day = WrittenBytes::now().since(day_start);
    const double day_measurements = double(saves_per_day) * domain_count;
    const double line_bytes = day.handed / day_measurements;

    // The compaction that ends that journal (at a clean stop).
    const WrittenBytes compaction_start = WrittenBytes::now();
    timer.restart();
    store.close_persistence();
    const double compaction_ms = elapsed_ms(timer);
    const WrittenBytes compaction = WrittenBytes::now().since(compaction_start);
    const double history_after = double(QFile(files.history_url).size());

    // A compaction is due when the journal reaches its threshold: that many
    // measurements share its cost.
    const double cycle_measurements =
        double(HistoryPersistence::compaction_threshold(qint64(history_after))) / line_bytes;
    const auto per_measurement = [&](double day_bytes, double compaction_bytes) {
        return day_bytes / day_measurements + compaction_bytes / cycle_measurements;
    };

    std::printf("history file:                   %.1f MB, %lld measurements in %d domains\n",
                double(history_bytes) / 1e6, static_cast<long long>(count), domain_count);
    std::printf("start-up load:                  %8.1f ms   (target <= 2500)\n", load_ms);
    std::printf("resident memory:                %8.1f MB empty, %.1f MB loaded\n", empty_mb,
                loaded_mb);
    std::printf("per loaded measurement:         %8.0f bytes (target <= 350)\n",
                (loaded_mb - empty_mb) * 1024.0 * 1024.0 / double(count));
    std::printf("record into 100k domain:        %8.3f ms   (target <= 15)\n", record_ms);
    std::printf("save of 20, main thread:        %8.3f ms   (target <= 5; slowest of the day "
                "%.3f ms)\n",
                save_ms, slowest_save_ms);
    std::printf("a day of saves:                 %d appends of %d measurements in %.1f s, "
                "%.0f bytes a journal line\n",
                saves_per_day, domain_count, day_ms / 1e3, line_bytes);
    std::printf("  written per measurement:      %8.0f bytes handed to write(), %.0f bytes "
                "towards the disk\n",
                day.handed / day_measurements, day.to_disk / day_measurements);
    std::printf("compaction:                     %8.1f ms (waited for at the stop), %.1f MB "
                "(%.1f MB towards the disk)\n",
                compaction_ms, compaction.handed / 1e6, compaction.to_disk / 1e6);
    std::printf("  due every                     %8.0f measurements (journal at a quarter of the "
                "history file)\n",
                cycle_measurements);
    std::printf("written per new measurement:    %8.0f bytes handed to write(), %.0f towards the "
                "disk, compactions included (target <= 4096)\n",
                per_measurement(day.handed, compaction.handed),
                per_measurement(day.to_disk, compaction.to_disk));
    std::printf("record while a compaction shares the history: %.3f ms\n", record_shared_ms);
    std::fflush(stdout);

    // The journal for the next start-up, appended here: recording through the
    // store would recompute a domain's statistics for every measurement.
    QList<std::pair<QUuid, QString>> domains;
    for (const MonitoredDomain& domain : store.domains())
        domains.append({domain.id, domain.url_string});
    opened.reset();
    append_journal(files, domains, journal_lines_at_start_up);
    return 0;
}

int run_child(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QStringLiteral("generate") && arguments.size() > 1) {
        generate(arguments[1], arguments.value(2, QString::number(domain_count)).toInt(),
                 arguments.value(3).toInt());
        return 0;
    }
    if (arguments.value(0) == QStringLiteral("measure"))
        return measure(arguments.value(1));
    if (arguments.value(0) == QStringLiteral("start-up"))
        return measure_start_up(arguments.value(1));

    const bool large = arguments.value(0) == QStringLiteral("large");
    const int domains = large ? large_domain_count : domain_count;
    // Beside the build rather than in /tmp, which may be held in memory.
    QTemporaryDir directory(QCoreApplication::applicationDirPath() +
                            QStringLiteral("/store_benchmark-XXXXXX"));
    std::printf("generating %d measurements...\n", domains * measurements_per_domain);
    std::fflush(stdout);
    generate(directory.path(), domains, 0);
    if (large)
        return run_child({QStringLiteral("start-up"), directory.path()});
    if (const int failed = run_child({QStringLiteral("measure"), directory.path()}))
        return failed;
    return run_child({QStringLiteral("start-up"), directory.path()});
}
