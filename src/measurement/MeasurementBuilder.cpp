#include "measurement/MeasurementBuilder.h"

#include "i18n/L10n.h"

#include <algorithm>
#include <cmath>

namespace MeasurementBuilder {

namespace {

template <typename Phase>
std::optional<double> first_with(const QList<HttpTransaction>& transactions, Phase phase)
{
    for (const HttpTransaction& transaction : transactions) {
        if (const std::optional<double> value = phase(transaction))
            return value;
    }
    return std::nullopt;
}

const QString cut_mark = QStringLiteral("\u2026");

// UTF-8 bytes of one code point.
qsizetype utf8_length(char32_t code_point)
{
    if (code_point < 0x80)
        return 1;
    if (code_point < 0x800)
        return 2;
    return code_point < 0x10000 ? 3 : 4;
}

std::optional<double> rounded(std::optional<double> seconds)
{
    if (!seconds)
        return std::nullopt;
    return rounded_to_microseconds(*seconds);
}

// Only the head of a long text is decoded: enough bytes that a text longer than
// the bound still decodes to one, whatever character the head ends in.
QString bounded_header_text(const QByteArray& bytes)
{
    const qsizetype head = std::min(bytes.size(), max_header_bytes + 4);
    return cut_to_utf8_bytes(QString::fromUtf8(bytes.first(head)), max_header_bytes);
}

} // namespace

QString cut_to_utf8_bytes(const QString& text, qsizetype max_bytes)
{
    // At most three bytes per UTF-16 unit: most values end here.
    if (text.size() * 3 <= max_bytes)
        return text;
    const qsizetype room = max_bytes - utf8_length(cut_mark.front().unicode());
    qsizetype bytes = 0;
    qsizetype fitting = 0; // UTF-16 units of the characters that fit before the mark
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        bytes += pair ? 4 : utf8_length(text[i].unicode());
        i += pair ? 2 : 1;
        if (bytes <= room)
            fitting = i;
        if (bytes > max_bytes)
            return text.first(fitting) + cut_mark;
    }
    return text;
}

QString cut_to_characters(const QString& text, qsizetype max_characters)
{
    if (text.size() <= max_characters)
        return text;
    qsizetype characters = 0;
    qsizetype fitting = 0; // UTF-16 units of the characters kept before the mark
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        i += pair ? 2 : 1;
        ++characters;
        if (characters < max_characters)
            fitting = i;
        if (characters > max_characters)
            return text.first(fitting) + cut_mark;
    }
    return text;
}

double rounded_to_microseconds(double seconds)
{
    return std::round(seconds * 1e6) / 1e6;
}

std::optional<double> duration(std::optional<double> from, std::optional<double> to)
{
    if (!from || !to)
        return std::nullopt;
    return std::max(*to - *from, 0.0);
}

std::optional<double> dns_time(const QList<HttpTransaction>& transactions)
{
    return first_with(transactions, [](const HttpTransaction& t) {
        return duration(t.domain_lookup_start, t.domain_lookup_end);
    });
}

std::optional<double> connect_time(const QList<HttpTransaction>& transactions)
{
    return first_with(transactions, [](const HttpTransaction& t) {
        const std::optional<double> end =
            t.secure_connection_start ? t.secure_connection_start : t.connect_end;
        return duration(t.connect_start, end);
    });
}

std::optional<double> ssl_time(const QList<HttpTransaction>& transactions)
{
    return first_with(transactions, [](const HttpTransaction& t) {
        return duration(t.secure_connection_start, t.secure_connection_end);
    });
}

std::optional<double> ttfb_time(const QList<HttpTransaction>& transactions)
{
    if (transactions.isEmpty())
        return std::nullopt;
    return duration(transactions.last().request_start, transactions.last().response_start);
}

QMap<QString, QString> x_headers(const HttpHeaderList& headers)
{
    QMap<QString, QString> result;
    for (const auto& [name, value] : headers) {
        if (name.size() < 2 || (name[0] != 'x' && name[0] != 'X') || name[1] != '-')
            continue;
        const QString key = bounded_header_text(name).toLower();
        if (!result.contains(key) && result.size() >= max_x_headers)
            continue;
        result.insert(key, bounded_header_text(value));
    }
    return result;
}

QString timed_out_message(int seconds)
{
    return L10n::text(u"Request timed out after %1 seconds.", u"Request afgebroken na %1 seconden.")
        .arg(seconds);
}

bool is_local_network_issue(const NetworkBaselineResult& probe, double slow_seconds)
{
    return !probe.is_available || probe.duration > slow_seconds;
}

DomainMeasurement build(const RequestOutcome& outcome)
{
    DomainMeasurement m;
    m.id = outcome.id;
    m.measured_at = outcome.measured_at;
    m.url_string = outcome.requested_url;
    m.dns_time = rounded(dns_time(outcome.transactions));
    m.connect_time = rounded(connect_time(outcome.transactions));
    m.ssl_time = rounded(ssl_time(outcome.transactions));
    m.ttfb_time = rounded(ttfb_time(outcome.transactions));
    m.total_time = std::max(outcome.task_duration.value_or(outcome.elapsed), 0.0);
    if (outcome.timed_out)
        m.total_time = std::min(m.total_time, double(outcome.time_limit_seconds));
    m.total_time = rounded_to_microseconds(m.total_time);
    m.http_status = outcome.status;
    m.response_x_headers = x_headers(outcome.response_headers);
    if (outcome.timed_out)
        m.error_message = timed_out_message(outcome.time_limit_seconds);
    else if (outcome.error)
        m.error_message = cut_to_characters(*outcome.error, max_error_characters);
    m.network_baseline_time = rounded(outcome.network_baseline_time);
    m.is_local_network_issue = outcome.is_local_network_issue;
    m.certificate_expires_at = outcome.certificate_expires_at;
    return m;
}

} // namespace MeasurementBuilder
