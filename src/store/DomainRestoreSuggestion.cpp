#include "store/DomainRestoreSuggestion.h"

#include <QHashFunctions>

size_t qHash(const DomainRestoreSuggestion& s, size_t seed)
{
    return qHashMulti(seed, s.id, s.url_string, s.interval_seconds, s.max_history_hours,
                      s.user_agent, s.is_active, s.notifies_on_anomalies, s.is_archived);
}
