#include "hosting/ProviderGroups.h"

#include "hosting/ProviderName.h"
#include "i18n/L10n.h"
#include "model/DomainHost.h"

#include <QCollator>
#include <QHash>

#include <algorithm>
#include <map>
#include <vector>

namespace {

// Indices into the active domains, so merged groups can be put back in store order.
using Members = std::vector<qsizetype>;

QList<MonitoredDomain> domains_at(const QList<MonitoredDomain>& domains, Members members)
{
    std::sort(members.begin(), members.end());
    QList<MonitoredDomain> result;
    result.reserve(qsizetype(members.size()));
    for (const qsizetype index : members)
        result.append(domains[index]);
    return result;
}

} // namespace

QString proximity_key(const HostingProviderProfile& profile)
{
    const QStringList parts = profile.ip_address.split(u'.', Qt::SkipEmptyParts);
    if (parts.size() == 4)
        return parts[0] + u'.' + parts[1] + QStringLiteral(".0.0/16");
    const QStringList groups = profile.range_key.split(u':', Qt::SkipEmptyParts);
    if (groups.size() >= 3)
        return groups[0] + u':' + groups[1] + u':' + groups[2] + QStringLiteral("::/48");
    return profile.network_range.value_or(profile.range_key);
}

QList<DomainProviderGroup> provider_groups(const QList<MonitoredDomain>& active_domains,
                                           const QMap<QString, HostingProviderProfile>& profiles)
{
    Members pinned;
    Members rest;
    // Grouping key -> members and the title of its first member.
    QHash<QString, qsizetype> key_index;
    std::vector<std::pair<QString, Members>> key_groups;

    for (qsizetype i = 0; i < active_domains.size(); ++i) {
        const MonitoredDomain& domain = active_domains[i];
        if (domain.is_pinned) {
            pinned.push_back(i);
            continue;
        }
        const auto profile = profiles.constFind(host_key(domain.url_string));
        const QString title =
            profile == profiles.cend() ? QString() : display_provider_name(profile->provider_name);
        if (title.isEmpty()) {
            rest.push_back(i);
            continue;
        }
        const QString key = title.toLower() + u'|' + proximity_key(*profile);
        const auto found = key_index.constFind(key);
        if (found == key_index.cend()) {
            key_index.insert(key, qsizetype(key_groups.size()));
            key_groups.push_back({title, {i}});
        } else {
            key_groups[size_t(*found)].second.push_back(i);
        }
    }

    std::map<QString, Members> named;
    for (auto& [title, members] : key_groups) {
        if (members.size() < 2) {
            rest.insert(rest.end(), members.begin(), members.end());
            continue;
        }
        Members& group = named[title];
        group.insert(group.end(), members.begin(), members.end());
    }

    QList<DomainProviderGroup> groups;
    if (!pinned.empty())
        groups.append({QStringLiteral("pinned"), L10n::text(u"Pinned", u"Vastgemaakt"),
                       domains_at(active_domains, pinned)});

    std::vector<const std::pair<const QString, Members>*> ordered;
    for (const auto& entry : named)
        ordered.push_back(&entry);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Stable over the map's exact order, so titles that compare equal keep a fixed order.
    std::stable_sort(ordered.begin(), ordered.end(), [&](const auto* a, const auto* b) {
        return collator.compare(a->first, b->first) < 0;
    });
    for (const auto* entry : ordered)
        groups.append({entry->first, entry->first, domains_at(active_domains, entry->second)});

    if (!rest.empty())
        groups.append({QStringLiteral("other-providers"),
                       L10n::text(u"Other Providers", u"Overige providers"),
                       domains_at(active_domains, rest)});
    return groups;
}
