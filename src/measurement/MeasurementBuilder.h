#pragma once

#include "measurement/HttpRequest.h"
#include "measurement/HttpTransaction.h"
#include "measurement/NetworkBaselineResult.h"
#include "model/DomainMeasurement.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// Turns what one request left behind into a DomainMeasurement.
namespace MeasurementBuilder {

// Everything a finished (or abandoned) request leaves for its measurement.
struct RequestOutcome {
    QUuid id;
    QDateTime measured_at;
    QString requested_url;
    // In the order sent; empty when no metrics arrived.
    QList<HttpTransaction> transactions;
    // From the first request's start to the end of the last, when metrics arrived.
    std::optional<double> task_duration;
    // Seconds since the request was started, by the clock.
    double elapsed = 0.0;
    // The service's own timer ended the request.
    bool timed_out = false;
    int time_limit_seconds = 15;
    std::optional<int> status;
    HttpHeaderList response_headers;
    std::optional<QString> error;
    std::optional<double> network_baseline_time;
    bool is_local_network_issue = false;
    // Of the first hop that completed a TLS handshake; invalid when none did.
    QDateTime certificate_expires_at;
};

DomainMeasurement build(const RequestOutcome& outcome);

// `to` minus `from`, 0 when negative; absent when either is absent.
std::optional<double> duration(std::optional<double> from, std::optional<double> to);

// Each from the first transaction that has the instants it needs.
std::optional<double> dns_time(const QList<HttpTransaction>& transactions);
// TCP only: up to the start of TLS when there is one.
std::optional<double> connect_time(const QList<HttpTransaction>& transactions);
std::optional<double> ssl_time(const QList<HttpTransaction>& transactions);
// From the last transaction, the one whose response was delivered.
std::optional<double> ttfb_time(const QList<HttpTransaction>& transactions);

// What a measurement keeps of what a site sent, so that a hostile or broken
// site cannot bloat the history.
inline constexpr qsizetype max_x_headers = 32;
// UTF-8 bytes of a header name or value, the cut mark included.
inline constexpr qsizetype max_header_bytes = 1024;
// Characters (code points) of an error text, the cut mark included.
inline constexpr qsizetype max_error_characters = 512;

// Headers whose name begins with "x-" (any case), under the lower-cased name;
// of names that differ only in case the last one wins. At most `max_x_headers`
// names, the first ones received; names and values cut to `max_header_bytes`.
QMap<QString, QString> x_headers(const HttpHeaderList& headers);

// `text` when its UTF-8 form fits in `max_bytes`, else as much of it as fits
// before a closing "…", cut between characters. Invalid UTF-8 has already
// become U+FFFD by then.
QString cut_to_utf8_bytes(const QString& text, qsizetype max_bytes);
// The same for a number of characters (code points).
QString cut_to_characters(const QString& text, qsizetype max_characters);

// Rounded to the microsecond, curl's resolution, so stored numbers carry no
// float noise such as 0.0010539999999999994.
double rounded_to_microseconds(double seconds);

// "Request timed out after 15 seconds." in the current language.
QString timed_out_message(int seconds);

// The probe failed, or took longer than `slow_seconds` (strictly). A failed
// probe skips the measurement altogether.
bool is_local_network_issue(const NetworkBaselineResult& probe, double slow_seconds = 1.5);

} // namespace MeasurementBuilder
