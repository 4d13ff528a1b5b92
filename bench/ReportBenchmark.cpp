// Times the PDF report over long histories and prints the document's size. A
// year of measurements every five minutes is about 100,000 per domain; the
// targets are 10 such domains in at most 3 s and 5 MB, and one domain of 1,000
// measurements in at most 100 ms. The last shape is a year of a flaky upstream:
// 2% of the requests fail at random moments, some 2,000 downtime rows per
// domain, every one of them in the table; its targets are 3 s and 8 MB.
#include "i18n/AppLanguage.h"
#include "i18n/L10n.h"
#include "report/TessaryPDFRenderer.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

// A realistic history, newest first: mostly quick answers with the odd slow one,
// now and then an outage of a few consecutive failures, isolated failures and
// local network issues. `failure_rate` is the share of isolated failures.
MonitoredDomain generated_domain(qsizetype count, int seed, double failure_rate)
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = QStringLiteral("https://site-%1.example.com/health").arg(seed);
    domain.interval_seconds = 300;
    std::mt19937_64 random{std::uint64_t(seed)};
    std::lognormal_distribution<double> quick(std::log(0.25), 0.4);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const qint64 newest = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

    domain.measurements.reserve(count);
    int outage_left = 0;
    for (qsizetype i = 0; i < count; ++i) {
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = QDateTime::fromMSecsSinceEpoch(newest - i * 300'000, Qt::UTC);
        m.url_string = domain.url_string;
        m.dns_time = 0.01 + 0.02 * unit(random);
        m.connect_time = 0.02 + 0.02 * unit(random);
        m.ssl_time = 0.04 + 0.03 * unit(random);
        m.total_time = quick(random);
        m.ttfb_time = m.total_time * 0.8;
        m.http_status = 200;
        const double roll = unit(random);
        if (outage_left == 0 && roll < 0.001)
            outage_left = 1 + int(unit(random) * 10.0);
        if (outage_left > 0) {
            --outage_left;
            m.http_status = 503;
            m.error_message = QStringLiteral("HTTP 503 Service Unavailable");
        } else if (roll < 0.001 + failure_rate) {
            m.http_status.reset();
            // curl's words, with the numbers that make each one different.
            m.error_message =
                unit(random) < 0.5
                    ? QStringLiteral("Operation timed out after %1 milliseconds with 0 "
                                     "bytes received")
                          .arg(15000 + int(unit(random) * 40.0))
                    : QStringLiteral("Failed to connect to site-%1.example.com port "
                                     "443 after %2 ms: Couldn't connect to server")
                          .arg(seed)
                          .arg(1 + int(unit(random) * 3000.0));
            m.total_time = 15.0;
        } else if (roll < 0.006 + failure_rate) {
            m.is_local_network_issue = true;
        } else if (roll < 0.016 + failure_rate) {
            m.total_time = 3.0 + 10.0 * unit(random);
        }
        domain.measurements.append(std::move(m));
    }
    domain.refresh_statistics();
    return domain;
}

void render_report(benchmark::State& state)
{
    const auto domain_count = int(state.range(0));
    const qsizetype measurement_count = state.range(1);
    // Isolated failures in thousandths: 2 is realistic, 5 a site in trouble all
    // year, 20 one whose upstream fails now and then all year.
    const double failure_rate = double(state.range(2)) / 1000.0;
    QList<MonitoredDomain> domains;
    for (int i = 0; i < domain_count; ++i)
        domains.append(generated_domain(measurement_count, i + 1, failure_rate));

    qsizetype bytes = 0;
    for (auto _ : state) {
        const auto pdf = TessaryPDFRenderer::render(domains);
        if (!pdf) {
            state.SkipWithError("render failed");
            return;
        }
        bytes = pdf->size();
    }
    state.counters["MB"] = double(bytes) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(render_report)
    ->ArgNames({"domains", "measurements", "failures_per_mille"})
    ->Args({1, 1'000, 2})
    ->Args({10, 100'000, 2})
    ->Args({10, 100'000, 5})
    ->Args({10, 100'000, 20})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

int main(int argc, char** argv)
{
    // Its own preferences (English) and no display needed.
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    L10n::set_selected_language(AppLanguage::english);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
