#include "model/DomainStatistics.h"

#include <QHashFunctions>

namespace {

size_t hash_optional(const std::optional<double>& value, size_t seed)
{
    return value ? qHashMulti(seed, true, *value) : qHash(false, seed);
}

size_t hash_ids(const QSet<QUuid>& ids, size_t seed)
{
    // Sets have no order, so their members are combined commutatively.
    return qHashMulti(seed, ids.size(), qHashRangeCommutative(ids.cbegin(), ids.cend()));
}

} // namespace

size_t qHash(const DomainStatistics& s, size_t seed)
{
    seed = hash_optional(s.average_total_time, seed);
    seed = hash_ids(s.delay_measurement_ids, seed);
    seed = hash_ids(s.disturbance_measurement_ids, seed);
    seed = hash_ids(s.outage_measurement_ids, seed);
    seed = qHashRange(s.disturbance_periods.cbegin(), s.disturbance_periods.cend(), seed);
    seed = hash_optional(s.longest_disturbance_duration, seed);
    seed = hash_optional(s.highest_total_time, seed);
    return qHash(s.failure_count, seed);
}
