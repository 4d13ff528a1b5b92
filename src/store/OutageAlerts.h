#pragma once

#include "model/DomainAlert.h"
#include "model/MonitoredDomain.h"

#include <QDateTime>
#include <QHash>
#include <QUuid>

#include <optional>

// Decides when a domain is down and when it is back, from its measurements as
// they are recorded. Two failed measurements in a row make an outage, announced
// once; the first successful measurement after it ends it. A local network
// issue neither counts as a failure nor ends the run. Only domains with
// notifications on are announced; switched on during an outage, the next
// failure announces it.
class OutageAlerts {
public:
    static constexpr int failures_before_down = 2;

    // Takes up a domain's state from its history (newest first), as after a
    // restart: an outage of two or more failures at the head is taken as already
    // announced when the domain notifies, so it is neither repeated nor forgotten.
    void resume(const MonitoredDomain& domain);
    // Forgets a domain whose history was cleared, that was archived or removed,
    // or whose URL changed.
    void forget(const QUuid& domain_id) { runs_.remove(domain_id); }

    // Feeds a measurement just recorded for `domain` (with its settings as they
    // are now); returns the alert it raises, if any.
    std::optional<DomainAlert> record(const MonitoredDomain& domain,
                                      const DomainMeasurement& measurement);

private:
    // A run of failures that has not ended yet.
    struct FailureRun {
        int failures = 0;
        QDateTime started_at;
        bool announced = false;
    };

    // Only domains in the middle of a run have an entry.
    QHash<QUuid, FailureRun> runs_;
};
