#include "model/DomainDisturbancePeriod.h"

#include <QHashFunctions>

size_t qHash(const DomainDisturbancePeriod& period, size_t seed)
{
    seed = qHashMulti(seed, period.id, period.started_at, period.duration.has_value());
    if (period.duration)
        seed = qHash(*period.duration, seed);
    return qHashMulti(seed, period.measurement, period.contains_failure);
}
