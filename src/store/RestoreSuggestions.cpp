#include "store/RestoreSuggestions.h"

#include "model/DomainHost.h"

#include <QCollator>

#include <algorithm>

DomainRestoreSuggestion suggestion_from(const MonitoredDomain& domain, bool is_archived)
{
    return {domain.id,
            domain.url_string,
            domain.interval_seconds,
            domain.max_history_hours,
            domain.user_agent,
            domain.is_active,
            domain.notifies_on_anomalies,
            is_archived};
}

QList<DomainRestoreSuggestion> restore_suggestions(const QList<MonitoredDomain>& domains,
                                                   const QList<DomainRestoreSuggestion>& deleted)
{
    QList<DomainRestoreSuggestion> suggestions;
    for (const MonitoredDomain& domain : domains) {
        if (domain.is_archived)
            suggestions.append(suggestion_from(domain, true));
    }
    suggestions.append(deleted);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(suggestions.begin(), suggestions.end(),
                     [&](const DomainRestoreSuggestion& a, const DomainRestoreSuggestion& b) {
                         return collator.compare(domain_host(a.url_string),
                                                 domain_host(b.url_string)) < 0;
                     });
    return suggestions;
}
