#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QUuid>

#include <optional>

// One timed request against a monitored domain. Durations are in seconds.
// A failed request is not an exception anywhere: it is a measurement with an
// `error_message`.
struct DomainMeasurement {
    QUuid id;
    // When the request really started (after any wait for the engine), in UTC.
    // The schedule counts each domain's interval from here.
    QDateTime measured_at;
    std::optional<QString> url_string;
    std::optional<double> dns_time;
    // TCP connect only, without the TLS handshake.
    std::optional<double> connect_time;
    std::optional<double> ssl_time;
    std::optional<double> ttfb_time;
    // The whole task, redirects included.
    double total_time = 0.0;
    // Absent when no HTTP response arrived.
    std::optional<int> http_status;
    // Headers whose name begins with "x-", names in lower case.
    QMap<QString, QString> response_x_headers;
    std::optional<QString> error_message;
    std::optional<double> network_baseline_time;
    // When the site's TLS leaf certificate expires; invalid for plain HTTP or a
    // failed handshake. A plain QDateTime keeps long histories small.
    QDateTime certificate_expires_at;
    // The probe before the request found the local network slow; such a
    // measurement is neither failed nor successful.
    bool is_local_network_issue = false;

    // Not a local network issue, and an error, no status or a status outside 200-399.
    bool is_failed() const;
    // Not a local network issue, no error and a status within 200-399.
    bool is_successful() const;

    bool operator==(const DomainMeasurement&) const = default;
};

// Every member may be moved in memory as bytes (Qt types and optionals of them),
// so lists of measurements grow and insert at the head by memmove.
Q_DECLARE_TYPEINFO(DomainMeasurement, Q_RELOCATABLE_TYPE);

size_t qHash(const DomainMeasurement& measurement, size_t seed = 0);
