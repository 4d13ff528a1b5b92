#pragma once

#include "measurement/HttpRequest.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <chrono>
#include <optional>

// The instants curl reports for one transfer, in seconds from its start; a
// phase that was not reached is 0.
struct HttpTransferTimes {
    double name_lookup = 0.0;
    double connect = 0.0;
    double app_connect = 0.0;
    double pre_transfer = 0.0;
    double start_transfer = 0.0;
    double total = 0.0;
    // False when the transfer ran on a connection that was already open.
    bool new_connection = false;
};

struct HttpResult {
    // Absent when no HTTP response arrived.
    std::optional<int> status;
    // The header fields of the final response, in the order received.
    HttpHeaderList headers;
    QByteArray body;
    // Where a redirect's Location points, resolved against the request URL.
    std::optional<QUrl> redirect_url;
    HttpTransferTimes times;
    // When the server's leaf certificate expires; invalid for plain HTTP and
    // when no TLS handshake completed.
    QDateTime certificate_expires_at;
    // When the engine started the transfer.
    std::chrono::steady_clock::time_point started;
    // curl's description of what went wrong; absent on success.
    std::optional<QString> error;
    bool cancelled = false;
    bool body_too_large = false;
};
