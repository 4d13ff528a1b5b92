#include "model/MonitoredDomain.h"

#include "model/MeasurementThresholds.h"
#include "model/RadixSort.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace {

// What the statistics need of one measurement, packed densely so the passes
// after the first do not walk the full records of a long history again.
struct Sample {
    qint64 measured_msecs;
    double total_time;
    qsizetype index; // into the newest-first list
    bool failed;
    bool disturbed;
};

// Chronological order, local network issues dropped.
std::vector<Sample> samples_of(const QList<DomainMeasurement>& measurements)
{
    std::vector<Sample> samples;
    samples.reserve(size_t(measurements.size()));
    for (qsizetype index = measurements.size() - 1; index >= 0; --index) {
        const DomainMeasurement& m = measurements[index];
        if (m.is_local_network_issue)
            continue;
        const bool failed = m.is_failed();
        samples.push_back({m.measured_at.toMSecsSinceEpoch(), m.total_time, index, failed, failed});
    }
    return samples;
}

std::optional<double> trimmed_mean(std::vector<double> totals)
{
    if (totals.empty())
        return std::nullopt;
    radix_sort(totals);
    const auto range = MonitoredDomain::trimmed_range(qsizetype(totals.size()));
    // Summed in ascending order, so the result does not depend on the history's order.
    double sum = 0.0;
    for (qsizetype i = range.lower; i < range.upper; ++i)
        sum += totals[size_t(i)];
    return sum / double(range.upper - range.lower);
}

double seconds_between(qint64 earlier_msecs, qint64 later_msecs)
{
    return double(later_msecs - earlier_msecs) / 1000.0;
}

DomainDisturbancePeriod period_of_run(std::span<const DomainMeasurement* const> run,
                                      std::optional<double> duration)
{
    const DomainMeasurement& first = *run.front();
    const DomainMeasurement* representative = nullptr;
    const DomainMeasurement* slowest = nullptr;
    for (const DomainMeasurement* m : run) {
        if (m->is_failed()) {
            representative = m;
            break;
        }
        // Strictly greater: the earliest of equally slow measurements wins.
        if (slowest == nullptr || m->total_time > slowest->total_time)
            slowest = m;
    }
    return DomainDisturbancePeriod{
        .id = first.id,
        .started_at = first.measured_at,
        .duration = duration,
        .measurement = representative ? *representative : *slowest,
        .contains_failure = representative != nullptr,
    };
}

QList<DomainDisturbancePeriod> build_periods(const QList<DomainMeasurement>& measurements,
                                             const std::vector<Sample>& samples,
                                             int interval_seconds)
{
    const double interval = interval_seconds;
    const double gap_limit = 2.0 * interval;
    QList<DomainDisturbancePeriod> periods;
    std::vector<const Sample*> run;
    std::vector<const DomainMeasurement*> run_measurements;

    const auto close_run = [&](std::optional<double> duration) {
        run_measurements.clear();
        for (const Sample* sample : run)
            run_measurements.push_back(&measurements[sample->index]);
        periods.append(period_of_run(run_measurements, duration));
        run.clear();
    };

    for (const Sample& sample : samples) {
        if (sample.disturbed) {
            if (!run.empty() &&
                seconds_between(run.back()->measured_msecs, sample.measured_msecs) > gap_limit)
                close_run(std::nullopt);
            run.push_back(&sample);
        } else if (!run.empty()) {
            std::optional<double> duration;
            if (seconds_between(run.back()->measured_msecs, sample.measured_msecs) <= gap_limit)
                duration = std::max(
                    seconds_between(run.front()->measured_msecs, sample.measured_msecs), interval);
            close_run(duration);
        }
    }
    if (!run.empty())
        close_run(std::nullopt);
    return periods;
}

} // namespace

MonitoredDomain::IndexRange MonitoredDomain::trimmed_range(qsizetype count)
{
    const double n = double(count);
    const auto lower = qsizetype(std::floor(n * 0.15));
    const auto upper = qsizetype(std::ceil(n * 0.85));
    return {lower, std::max(lower + 1, upper)};
}

std::optional<double>
MonitoredDomain::trimmed_average_total_time(const QList<DomainMeasurement>& measurements)
{
    std::vector<double> totals;
    totals.reserve(size_t(measurements.size()));
    for (const DomainMeasurement& m : measurements) {
        if (!m.is_local_network_issue)
            totals.push_back(m.total_time);
    }
    return trimmed_mean(std::move(totals));
}

QList<DomainDisturbancePeriod>
MonitoredDomain::build_disturbance_periods(const QList<DomainMeasurement>& measurements,
                                           const QSet<QUuid>& disturbance_ids, int interval_seconds)
{
    std::vector<Sample> samples = samples_of(measurements);
    for (Sample& sample : samples)
        sample.disturbed = sample.failed || disturbance_ids.contains(measurements[sample.index].id);
    return build_periods(measurements, samples, interval_seconds);
}

DomainDisturbancePeriod MonitoredDomain::disturbance_period(const QList<DomainMeasurement>& run,
                                                            std::optional<double> duration)
{
    std::vector<const DomainMeasurement*> refs;
    refs.reserve(size_t(run.size()));
    for (const DomainMeasurement& m : run)
        refs.push_back(&m);
    return period_of_run(refs, duration);
}

void MonitoredDomain::refresh_statistics()
{
    std::vector<Sample> samples = samples_of(measurements);
    std::vector<double> totals;
    totals.reserve(samples.size());
    for (const Sample& sample : samples)
        totals.push_back(sample.total_time);

    DomainStatistics s;
    s.average_total_time = trimmed_mean(std::move(totals));
    const std::optional<double> average = s.average_total_time;
    const double disturbance_threshold = MeasurementThresholds::disturbance_threshold(average);

    for (Sample& sample : samples) {
        if (!s.highest_total_time || sample.total_time > *s.highest_total_time)
            s.highest_total_time = sample.total_time;
        if (sample.failed) {
            ++s.failure_count;
            continue;
        }
        const double total = sample.total_time;
        const bool is_outage = MeasurementThresholds::is_outage(total);
        const bool is_disturbance =
            MeasurementThresholds::is_disturbance(total, disturbance_threshold);
        const bool is_delay = MeasurementThresholds::is_delay(total, average);
        if (!is_outage && !is_disturbance && !is_delay)
            continue;
        const QUuid& id = measurements[sample.index].id;
        if (is_outage)
            s.outage_measurement_ids.insert(id);
        if (is_disturbance || is_outage) {
            s.disturbance_measurement_ids.insert(id);
            sample.disturbed = true;
        } else {
            s.delay_measurement_ids.insert(id);
        }
    }

    s.disturbance_periods = build_periods(measurements, samples, interval_seconds);
    for (const DomainDisturbancePeriod& period : std::as_const(s.disturbance_periods)) {
        if (period.duration &&
            (!s.longest_disturbance_duration || *period.duration > *s.longest_disturbance_duration))
            s.longest_disturbance_duration = period.duration;
    }
    statistics = std::move(s);
}

DomainSettings MonitoredDomain::settings() const
{
    return DomainSettings{
        .url_string = url_string,
        .interval_seconds = interval_seconds,
        .max_history_hours = max_history_hours,
        .user_agent = user_agent,
        .is_active = is_active,
        .notifies_on_anomalies = notifies_on_anomalies,
    };
}

void MonitoredDomain::apply(const DomainSettings& settings)
{
    url_string = settings.url_string;
    interval_seconds = settings.interval_seconds;
    max_history_hours = settings.max_history_hours;
    user_agent = settings.user_agent;
    is_active = settings.is_active;
    notifies_on_anomalies = settings.notifies_on_anomalies;
}

DomainMeasurementLevel
MonitoredDomain::measurement_level(const DomainMeasurement& measurement) const
{
    if (measurement.is_failed())
        return DomainMeasurementLevel::error;
    if (statistics.outage_measurement_ids.contains(measurement.id))
        return DomainMeasurementLevel::outage;
    if (statistics.disturbance_measurement_ids.contains(measurement.id))
        return DomainMeasurementLevel::disturbance;
    if (statistics.delay_measurement_ids.contains(measurement.id))
        return DomainMeasurementLevel::delay;
    return DomainMeasurementLevel::normal;
}

QList<DomainMeasurement> MonitoredDomain::measurements_within_lookback(const QDateTime& at) const
{
    const qint64 end = at.toMSecsSinceEpoch();
    const qint64 start = end - qint64(max_history_hours) * 3600 * 1000;
    QList<DomainMeasurement> within;
    for (const DomainMeasurement& m : measurements) {
        const qint64 measured = m.measured_at.toMSecsSinceEpoch();
        if (measured >= start && measured <= end)
            within.append(m);
    }
    return within;
}
