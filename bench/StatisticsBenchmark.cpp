// Times refresh_statistics() over long histories. It runs on the main thread
// after every measurement over a history that is never pruned, so it has to stay
// linear and cheap: the figure to watch is "ms_per_100k".
//
// Also times the Prometheus text of 1,000 domains, which `tessary monitor
// --metrics` renders on the main thread at every scrape: "ms_per_scrape" must
// stay under 10.
#include "metrics/MetricsExposition.h"
#include "model/MonitoredDomain.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>

namespace {

// A realistic history, newest first: mostly quick answers, some slow ones,
// occasional failures and local network issues, one measurement a minute.
MonitoredDomain generated_domain(qsizetype count)
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = QStringLiteral("https://example.com");
    domain.interval_seconds = 60;
    std::mt19937_64 random(42);
    std::lognormal_distribution<double> quick(std::log(0.25), 0.4);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const qint64 newest = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

    domain.measurements.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = QDateTime::fromMSecsSinceEpoch(newest - i * 60'000, Qt::UTC);
        m.total_time = quick(random);
        m.http_status = 200;
        const double roll = unit(random);
        if (roll < 0.01) {
            m.total_time = 3.0 + 10.0 * unit(random);
        } else if (roll < 0.015) {
            m.http_status.reset();
            m.error_message = QStringLiteral("The request timed out.");
            m.total_time = 15.0;
        } else if (roll < 0.02) {
            m.is_local_network_issue = true;
        }
        domain.measurements.append(std::move(m));
    }
    return domain;
}

void refresh_statistics(benchmark::State& state)
{
    MonitoredDomain domain = generated_domain(state.range(0));
    double total_ms = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        domain.refresh_statistics();
        benchmark::DoNotOptimize(domain.statistics);
        total_ms +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
    }
    state.counters["ms_per_100k"] = benchmark::Counter(total_ms * 1e5 / double(state.range(0)),
                                                       benchmark::Counter::kAvgIterations);
    state.counters["periods"] = double(domain.statistics.disturbance_periods.size());
}

void trimmed_average_total_time(benchmark::State& state)
{
    const MonitoredDomain domain = generated_domain(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(MonitoredDomain::trimmed_average_total_time(domain.measurements));
}

// 1,000 domains with `state.range(0)` measurements each. Between scrapes either
// nothing happened, or every domain got one new measurement (a scrape every 20
// seconds with every domain at the shortest interval).
void metrics_scrape(benchmark::State& state, bool new_measurement_each)
{
    const MonitoredDomain model = generated_domain(state.range(0));
    QList<MonitoredDomain> domains;
    for (int i = 0; i < 1000; ++i) {
        MonitoredDomain d = model;
        d.id = QUuid::createUuid();
        d.url_string = QStringLiteral("https://site-%1.example.com/").arg(i);
        d.refresh_statistics();
        domains.append(std::move(d));
    }
    MetricsExposition exposition;
    const auto cold_start = std::chrono::steady_clock::now();
    qsizetype bytes = exposition.render(domains).size();
    const double cold_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - cold_start)
            .count();

    double total_ms = 0.0;
    qint64 serial = 0;
    for (auto _ : state) {
        if (new_measurement_each) {
            state.PauseTiming();
            for (MonitoredDomain& d : domains) {
                DomainMeasurement m = model.measurements.first();
                m.id = QUuid::createUuid();
                m.measured_at = m.measured_at.addSecs(++serial);
                d.measurements.prepend(std::move(m));
            }
            state.ResumeTiming();
        }
        const auto start = std::chrono::steady_clock::now();
        const QByteArray text = exposition.render(domains);
        total_ms +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        bytes = text.size();
        benchmark::DoNotOptimize(text);
    }
    state.counters["ms_per_scrape"] =
        benchmark::Counter(total_ms, benchmark::Counter::kAvgIterations);
    state.counters["first_scrape_ms"] = cold_ms;
    state.counters["kib"] = double(bytes) / 1024.0;
}

} // namespace

BENCHMARK_CAPTURE(metrics_scrape, unchanged, false)->Arg(1'000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(metrics_scrape, one_new_measurement_per_domain, true)
    ->Arg(1'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(trimmed_average_total_time)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(refresh_statistics)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
