#include "model/DomainMeasurement.h"

#include <QHashFunctions>

namespace {

bool is_status_in_success_range(int status)
{
    return status >= 200 && status <= 399;
}

template <typename T>
size_t hash_optional(const std::optional<T>& value, size_t seed)
{
    return value ? qHashMulti(seed, true, *value) : qHash(false, seed);
}

} // namespace

bool DomainMeasurement::is_failed() const
{
    if (is_local_network_issue)
        return false;
    return error_message.has_value() || !http_status.has_value() ||
           !is_status_in_success_range(*http_status);
}

bool DomainMeasurement::is_successful() const
{
    return !is_local_network_issue && !error_message.has_value() && http_status.has_value() &&
           is_status_in_success_range(*http_status);
}

size_t qHash(const DomainMeasurement& m, size_t seed)
{
    seed = qHashMulti(seed, m.id, m.measured_at);
    seed = hash_optional(m.url_string, seed);
    seed = hash_optional(m.dns_time, seed);
    seed = hash_optional(m.connect_time, seed);
    seed = hash_optional(m.ssl_time, seed);
    seed = hash_optional(m.ttfb_time, seed);
    seed = qHash(m.total_time, seed);
    seed = hash_optional(m.http_status, seed);
    for (auto it = m.response_x_headers.cbegin(); it != m.response_x_headers.cend(); ++it)
        seed = qHashMulti(seed, it.key(), it.value());
    seed = hash_optional(m.error_message, seed);
    seed = hash_optional(m.network_baseline_time, seed);
    seed = qHash(m.certificate_expires_at, seed);
    return qHash(m.is_local_network_issue, seed);
}
