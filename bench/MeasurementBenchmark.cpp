// Accuracy and cost of a measurement against a local HTTPS server, next to the
// curl command-line tool on the same URL:
//  1. phase timings of `tessary measure` and `curl -w`, median of 50 runs each;
//  2. CPU time per measurement;
//  3. 1,000 measurements in flight at once against a server that answers after 2 s.
// The server runs in a child process so that its work counts for neither side.

#include "ServerProcess.h"
#include "measurement/CurlEngine.h"
#include "measurement/EngineMeasurementSource.h"
#include "model/MeasurementJson.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int runs = 50;
constexpr int in_process_runs = 200;
constexpr int in_flight = 1000;
constexpr int slow_answer_ms = 2000;

double cpu_seconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int thread_count()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    }
    return -1;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

enum Phase { dns, connect, tls, ttfb, total, phase_count };
constexpr std::array<const char*, phase_count> phase_names = {
    "DNS lookup", "TCP connect", "TLS handshake", "first byte", "total"};
using Phases = std::array<std::vector<double>, phase_count>;

// One `tessary measure --json` run; false when it did not produce a measurement.
bool run_tessary(const QProcessEnvironment& environment, const QString& url, Phases& phases)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TESSARY_BINARY),
                  {QStringLiteral("measure"), url, QStringLiteral("--json")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return false;
    const DecodeResult<DomainMeasurement> m =
        MeasurementJson::decode(process.readAllStandardOutput().trimmed());
    if (!m.has_value() || !m->dns_time || !m->connect_time || !m->ssl_time || !m->ttfb_time)
        return false;
    phases[dns].push_back(*m->dns_time);
    phases[connect].push_back(*m->connect_time);
    phases[tls].push_back(*m->ssl_time);
    phases[ttfb].push_back(*m->ttfb_time);
    phases[total].push_back(m->total_time);
    return true;
}

// One `curl -w` run with the same request headers. With a warm-up URL curl
// first fetches that, as `tessary measure` first runs its probe, so that both
// time the measured request with TLS already initialised in the process.
bool run_curl(const QString& ca_file, const QString& warm_up, const QString& url, Phases& phases)
{
    QStringList arguments{QStringLiteral("-s"),
                          QStringLiteral("--cacert"),
                          ca_file,
                          QStringLiteral("-H"),
                          QStringLiteral("Cache-Control: no-cache"),
                          QStringLiteral("-A"),
                          QStringLiteral("Tessarybot"),
                          QStringLiteral("-w"),
                          QStringLiteral("%{time_namelookup} %{time_connect} %{time_appconnect} "
                                         "%{time_pretransfer} %{time_starttransfer} "
                                         "%{time_total}\\n")};
    if (!warm_up.isEmpty())
        arguments << QStringLiteral("-o") << QStringLiteral("/dev/null") << warm_up;
    arguments << QStringLiteral("-o") << QStringLiteral("/dev/null") << url;
    QProcess process;
    process.start(QStringLiteral("curl"), arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return false;
    const QList<QByteArray> fields =
        process.readAllStandardOutput().trimmed().split('\n').last().split(' ');
    if (fields.size() != 6)
        return false;
    std::array<double, 6> t{};
    for (int i = 0; i < 6; ++i)
        t[i] = fields[i].toDouble();
    phases[dns].push_back(t[0]);
    phases[connect].push_back(t[1] - t[0]);
    phases[tls].push_back(t[2] - t[1]);
    phases[ttfb].push_back(t[4] - t[3]);
    phases[total].push_back(t[5]);
    return true;
}

// curl's CPU time for one more request in the same process, each on a fresh
// connection (the server closes it after answering "Connection: close") with a
// full TLS handshake (no session resumption), as every measurement has.
double curl_marginal_cpu(const QString& ca_file, const QString& url, int extra)
{
    const auto run = [&](int count) {
        QStringList arguments{
            QStringLiteral("-s"),       QStringLiteral("--no-sessionid"),
            QStringLiteral("--cacert"), ca_file,
            QStringLiteral("-H"),       QStringLiteral("Connection: close"),
            QStringLiteral("-H"),       QStringLiteral("Cache-Control: no-cache")};
        for (int i = 0; i < count; ++i)
            arguments << QStringLiteral("-o") << QStringLiteral("/dev/null") << url;
        QProcess process;
        const double before = cpu_seconds(RUSAGE_CHILDREN);
        process.start(QStringLiteral("curl"), arguments);
        process.waitForFinished(60000);
        return cpu_seconds(RUSAGE_CHILDREN) - before;
    };
    return (run(1 + extra) - run(1)) / extra;
}

void accuracy_and_process_cost(const ServerProcess& server, const QString& probe_url)
{
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESSARY_CA_BUNDLE"), server.ca_file);
    environment.insert(QStringLiteral("TESSARY_PROBE_URL"), probe_url);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    const QString url = QStringLiteral("https://localhost:%1/").arg(server.port);

    Phases tessary_phases;
    Phases curl_phases;
    Phases cold_curl_phases;
    double tessary_cpu = 0.0;
    double curl_cpu = 0.0;
    int tessary_failures = 0;
    int curl_failures = 0;
    // Interleaved, so all see the same conditions.
    for (int i = 0; i < runs; ++i) {
        double before = cpu_seconds(RUSAGE_CHILDREN);
        tessary_failures += run_tessary(environment, url, tessary_phases) ? 0 : 1;
        double after = cpu_seconds(RUSAGE_CHILDREN);
        tessary_cpu += after - before;
        before = after;
        curl_failures += run_curl(server.ca_file, QString(), url, cold_curl_phases) ? 0 : 1;
        curl_cpu += cpu_seconds(RUSAGE_CHILDREN) - before;
        curl_failures += run_curl(server.ca_file, probe_url, url, curl_phases) ? 0 : 1;
    }

    std::printf("1. Phase timings, median of %d runs each against %s\n", runs, qPrintable(url));
    std::printf("   curl fetches the probe URL first in the same process, as tessary does;\n"
                "   'cold' is curl fetching the URL alone, TLS set up from scratch\n");
    std::printf("   %-14s %12s %12s %12s  %-18s %12s\n", "phase", "tessary ms", "curl ms",
                "diff ms", "within 1 ms or 10%", "cold curl ms");
    bool all_agree = true;
    for (int p = 0; p < phase_count; ++p) {
        const double ours = median(tessary_phases[p]) * 1000.0;
        const double theirs = median(curl_phases[p]) * 1000.0;
        const double diff = ours - theirs;
        const bool agrees = std::abs(diff) <= 1.0 || std::abs(diff) <= 0.1 * theirs;
        all_agree = all_agree && agrees;
        std::printf("   %-14s %12.3f %12.3f %+12.3f  %-18s %12.3f\n", phase_names[p], ours, theirs,
                    diff, agrees ? "yes" : "NO", median(cold_curl_phases[p]) * 1000.0);
    }
    std::printf("   failed runs: tessary %d, curl %d; all phases agree: %s\n\n", tessary_failures,
                curl_failures, all_agree ? "yes" : "NO");

    std::printf("2. CPU time per run, whole processes (user + system)\n");
    std::printf("   tessary measure (probe + request): %8.2f ms\n", tessary_cpu / runs * 1000.0);
    std::printf("   curl -w (request):                 %8.2f ms\n", curl_cpu / runs * 1000.0);
}

template <typename Start>
double in_process_cpu_per_run(int count, Start start)
{
    int done = 0;
    const double before = cpu_seconds(RUSAGE_SELF);
    QEventLoop loop;
    std::function<void()> next;
    next = [&] {
        if (done == count) {
            loop.quit();
            return;
        }
        start([&] {
            ++done;
            QTimer::singleShot(0, next);
        });
    };
    next();
    loop.exec();
    return (cpu_seconds(RUSAGE_SELF) - before) / count;
}

// By IP address: curl caches a name for the rest of its process, the engine
// looks it up for every measurement.
void in_process_cost(const ServerProcess& server, const QString& probe_url, CurlEngine& engine)
{
    const QString url = QStringLiteral("https://127.0.0.1:%1/").arg(server.port);
    EngineMeasurementSource source(engine, Clock::system(), QUrl(probe_url));
    const double per_measurement = in_process_cpu_per_run(in_process_runs, [&](auto finished) {
        source.measure(url, QString(),
                       [finished](std::optional<DomainMeasurement>) { finished(); });
    });
    const double per_request = in_process_cpu_per_run(in_process_runs, [&](auto finished) {
        HttpRequest request;
        request.url = QUrl(url);
        request.headers = {{"Cache-Control", "no-cache"}, {"User-Agent", "Tessarybot"}};
        engine.start(request, [finished](HttpResult) {
            QMetaObject::invokeMethod(QCoreApplication::instance(), finished, Qt::QueuedConnection);
        });
    });
    std::printf("   in one process, %d in a row, by IP address, each on a new connection:\n",
                in_process_runs);
    std::printf("     tessary measurement (probe + request): %8.2f ms\n", per_measurement * 1000.0);
    std::printf("     tessary request alone:                 %8.2f ms\n", per_request * 1000.0);
    std::printf("     curl, one more request:                %8.2f ms\n\n",
                curl_marginal_cpu(server.ca_file, url, in_process_runs) * 1000.0);
}

void many_in_flight(const ServerProcess& server, const QString& probe_url, CurlEngine& engine)
{
    const QString url = QStringLiteral("https://127.0.0.1:%1/slow").arg(server.port);
    EngineMeasurementSource source(engine, Clock::system(), QUrl(probe_url));
    int completed = 0;
    int correct = 0;
    int local_issues = 0;
    int max_threads = thread_count();
    QMap<QString, int> problems;
    std::vector<double> baselines;
    qint64 last_done_ms = 0;
    QElapsedTimer clock;
    QEventLoop loop;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { max_threads = std::max(max_threads, thread_count()); });
    sampler.start(5);

    clock.start();
    for (int i = 0; i < in_flight; ++i) {
        source.measure(url, QString(), [&](std::optional<DomainMeasurement> m) {
            ++completed;
            // The server counts its delay from the request it read, in whole milliseconds.
            if (m && m->http_status == 200 && !m->error_message && m->ttfb_time &&
                *m->ttfb_time >= slow_answer_ms / 1000.0 - 0.002)
                ++correct;
            if (m && m->is_local_network_issue)
                ++local_issues;
            if (!m)
                ++problems[QStringLiteral("no measurement (probe failed)")];
            else if (m->error_message)
                ++problems[*m->error_message];
            if (m && m->network_baseline_time)
                baselines.push_back(*m->network_baseline_time);
            last_done_ms = clock.elapsed();
            if (completed == in_flight)
                loop.quit();
        });
    }
    max_threads = std::max(max_threads, thread_count());
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();

    std::printf("3. %d measurements in flight at once, server answering after %d ms\n", in_flight,
                slow_answer_ms);
    std::printf("   completed %d, correct (200 after 2 s, no error) %d, marked local issue %d\n",
                completed, correct, local_issues);
    std::printf("   wall time until the last one: %.2f s\n", last_done_ms / 1000.0);
    std::printf("   baseline probes run: %d, duration median %.3f s\n", source.probes_started(),
                median(baselines));
    for (auto it = problems.cbegin(); it != problems.cend(); ++it)
        std::printf("   %5d x %s\n", it.value(), qPrintable(it.key()));
    std::printf("   most threads seen in the process: %d\n", max_threads);
}

} // namespace

int main(int argc, char** argv)
{
    CurlEngine::raise_open_file_limit();
    const ServerProcess server = ServerProcess::start(slow_answer_ms);
    if (server.port == 0) {
        std::fprintf(stderr, "measurement_benchmark: the local server did not start\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    const QString probe_url = QStringLiteral("https://127.0.0.1:%1/generate_204").arg(server.port);

    // One part alone when named: accuracy, cost or in-flight.
    const QString only = app.arguments().value(1);
    if (only.isEmpty() || only == u"accuracy" || only == u"cost")
        accuracy_and_process_cost(server, probe_url);
    {
        CurlEngine engine{CurlEngine::Options{.ca_bundle = server.ca_file.toLocal8Bit()}};
        if (only.isEmpty() || only == u"cost")
            in_process_cost(server, probe_url, engine);
        if (only.isEmpty() || only == u"in-flight")
            many_in_flight(server, probe_url, engine);
    }
    server.stop();
    return 0;
}
