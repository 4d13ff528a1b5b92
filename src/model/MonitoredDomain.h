#pragma once

#include "model/DomainMeasurement.h"
#include "model/DomainMeasurementLevel.h"
#include "model/DomainSettings.h"
#include "model/DomainStatistics.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>

// One monitored domain (or URL): its settings, its whole measurement history and
// the statistics derived from it.
struct MonitoredDomain {
    QUuid id;
    // The normalised absolute URL to measure.
    QString url_string;
    int interval_seconds = DomainSettings::minimum_interval_seconds;
    // How far back the views look; the history itself is never pruned.
    int max_history_hours = DomainSettings::default_max_history_hours;
    QString user_agent = DomainSettings::default_user_agent();
    bool is_active = true;
    bool notifies_on_anomalies = false;
    bool is_pinned = false;
    bool is_archived = false;
    // Newest first: index 0 is the latest measurement.
    QList<DomainMeasurement> measurements;
    // Derived from `measurements` by refresh_statistics().
    DomainStatistics statistics;

    DomainSettings settings() const;
    // Takes the six settings as they are (the store bounds them first); the
    // history, the pin and the archived state stay.
    void apply(const DomainSettings& settings);

    // Recomputes `statistics` from the whole history.
    void refresh_statistics();

    // The level under the current statistics; it changes as the history grows.
    DomainMeasurementLevel measurement_level(const DomainMeasurement& measurement) const;

    // Newest first, every measurement with at - max_history_hours <= measured_at <= at.
    QList<DomainMeasurement> measurements_within_lookback(const QDateTime& at) const;

    // A half-open range of indices [lower, upper).
    struct IndexRange {
        qsizetype lower = 0;
        qsizetype upper = 0;
        bool operator==(const IndexRange&) const = default;
    };

    // The P15-P85 indices of `count` sorted values (count >= 1); never empty.
    static IndexRange trimmed_range(qsizetype count);

    // Mean of the trimmed total times of every measurement that is not a local
    // network issue (failed ones included); absent when there are none.
    static std::optional<double>
    trimmed_average_total_time(const QList<DomainMeasurement>& measurements);

    // `measurements` newest first; the periods come out oldest first.
    static QList<DomainDisturbancePeriod>
    build_disturbance_periods(const QList<DomainMeasurement>& measurements,
                              const QSet<QUuid>& disturbance_ids, int interval_seconds);

    // `run` is non-empty and oldest first.
    static DomainDisturbancePeriod disturbance_period(const QList<DomainMeasurement>& run,
                                                      std::optional<double> duration);

    bool operator==(const MonitoredDomain&) const = default;
};
