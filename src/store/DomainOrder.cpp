#include "store/DomainOrder.h"

#include "model/DomainHost.h"

#include <QCollator>

#include <algorithm>
#include <vector>

void sort_domains(QList<MonitoredDomain>& domains)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    // Hosts are computed once, not at every comparison.
    std::vector<std::pair<QString, qsizetype>> keys;
    keys.reserve(size_t(domains.size()));
    for (qsizetype i = 0; i < domains.size(); ++i)
        keys.emplace_back(domain_host(domains[i].url_string), i);

    std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        const bool a_pinned = domains[a.second].is_pinned;
        const bool b_pinned = domains[b.second].is_pinned;
        if (a_pinned != b_pinned)
            return a_pinned;
        return collator.compare(a.first, b.first) < 0;
    });

    QList<MonitoredDomain> sorted;
    sorted.reserve(domains.size());
    for (const auto& key : keys)
        sorted.append(std::move(domains[key.second]));
    domains = std::move(sorted);
}
