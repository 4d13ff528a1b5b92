#pragma once

#include "model/DomainMeasurement.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

// A domain went down or came back: raised once per outage by OutageAlerts, told
// to the user as a notification and as a line of `tessary monitor`.
struct DomainAlert {
    enum class Kind { down, up_again };

    Kind kind = Kind::down;
    QUuid domain_id;
    // The host of the domain's URL, as notifications name a domain.
    QString domain_name;
    // The first failed measurement of the outage.
    QDateTime outage_started_at;
    // The measurement that raised the alert: the failure that made the outage,
    // or the first success after it.
    DomainMeasurement measurement;

    // From the first failure to the measurement of the alert.
    double outage_seconds() const
    {
        return double(outage_started_at.msecsTo(measurement.measured_at)) / 1000.0;
    }

    bool operator==(const DomainAlert&) const = default;
};
