#include "store/OutageAlerts.h"

#include "model/DomainHost.h"

void OutageAlerts::resume(const MonitoredDomain& domain)
{
    runs_.remove(domain.id);
    FailureRun run;
    for (const DomainMeasurement& m : domain.measurements) {
        if (m.is_successful())
            break;
        if (m.is_failed()) {
            ++run.failures;
            run.started_at = m.measured_at;
        }
    }
    if (run.failures == 0)
        return;
    run.announced = domain.notifies_on_anomalies && run.failures >= failures_before_down;
    runs_.insert(domain.id, run);
}

std::optional<DomainAlert> OutageAlerts::record(const MonitoredDomain& domain,
                                                const DomainMeasurement& measurement)
{
    if (measurement.is_failed()) {
        FailureRun& run = runs_[domain.id];
        if (run.failures++ == 0)
            run.started_at = measurement.measured_at;
        if (run.announced || run.failures < failures_before_down || !domain.notifies_on_anomalies)
            return std::nullopt;
        run.announced = true;
        return DomainAlert{DomainAlert::Kind::down, domain.id, domain_host(domain.url_string),
                           run.started_at, measurement};
    }
    if (!measurement.is_successful())
        return std::nullopt;
    const FailureRun ended = runs_.take(domain.id);
    if (!ended.announced || !domain.notifies_on_anomalies)
        return std::nullopt;
    return DomainAlert{DomainAlert::Kind::up_again, domain.id, domain_host(domain.url_string),
                       ended.started_at, measurement};
}
