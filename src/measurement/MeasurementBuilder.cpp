#include "measurement/MeasurementBuilder.h"

#include "i18n/L10n.h"

#include <algorithm>

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

} // namespace

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
        const QString key = QString::fromLatin1(name).toLower();
        if (key.startsWith(u"x-"))
            result.insert(key, QString::fromUtf8(value));
    }
    return result;
}

QString normalized_user_agent(const QString& user_agent)
{
    const QString trimmed = user_agent.trimmed();
    return trimmed.isEmpty() ? QStringLiteral("Tessarybot") : trimmed;
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
    m.dns_time = dns_time(outcome.transactions);
    m.connect_time = connect_time(outcome.transactions);
    m.ssl_time = ssl_time(outcome.transactions);
    m.ttfb_time = ttfb_time(outcome.transactions);
    m.total_time = std::max(outcome.task_duration.value_or(outcome.elapsed), 0.0);
    if (outcome.timed_out)
        m.total_time = std::min(m.total_time, double(outcome.time_limit_seconds));
    m.http_status = outcome.status;
    m.response_x_headers = x_headers(outcome.response_headers);
    if (outcome.timed_out)
        m.error_message = timed_out_message(outcome.time_limit_seconds);
    else
        m.error_message = outcome.error;
    m.network_baseline_time = outcome.network_baseline_time;
    m.is_local_network_issue = outcome.is_local_network_issue;
    return m;
}

} // namespace MeasurementBuilder
