#pragma once

#include "measurement/HttpResult.h"

#include <optional>

// One request of a measurement (each redirect hop adds one) as the eight
// instants of its phases, in seconds from the start of the measurement's first
// request. An instant the request never reached is absent.
struct HttpTransaction {
    std::optional<double> domain_lookup_start;
    std::optional<double> domain_lookup_end;
    std::optional<double> connect_start;
    std::optional<double> connect_end;
    std::optional<double> secure_connection_start;
    std::optional<double> secure_connection_end;
    std::optional<double> request_start;
    std::optional<double> response_start;

    // From curl's times for one transfer that began `offset` seconds after the
    // first. A transfer on a connection that was already open has no lookup,
    // connect or TLS instants.
    static HttpTransaction from_transfer(const HttpTransferTimes& times, double offset);

    bool operator==(const HttpTransaction&) const = default;
};
