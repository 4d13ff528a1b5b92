#include "hosting/ProviderGroups.h"

#include "HostingTestSupport.h"
#include "i18n/L10n.h"
#include "i18n/Preferences.h"
#include "model/DomainHost.h"

#include <QHash>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

HostingProviderProfile profile_at(const QString& host, const char* ip, const char* provider)
{
    return {host,
            QString::fromLatin1(ip),
            address(ip).range_key(),
            QStringLiteral("198.51.0.0-198.51.255.255"),
            QString::fromUtf8(provider),
            QDateTime(QDate(2025, 1, 31), QTime(9, 15), Qt::UTC)};
}

struct Site {
    const char* name; // the domain is https://NAME.example, or NAME when it has a scheme
    const char* ip;   // nullptr: the host never resolved; "pinned": a pinned domain
    const char* provider = "";
};

// The groups of domains in store order, as "id: title = name, name, ...".
QStringList groups_of(const std::vector<Site>& sites)
{
    QList<MonitoredDomain> domains;
    QMap<QString, HostingProviderProfile> profiles;
    QHash<QUuid, QString> names;
    for (const Site& site : sites) {
        MonitoredDomain& domain = domains.emplace_back();
        domain.id = QUuid::createUuid();
        const QString name = QString::fromLatin1(site.name);
        names.insert(domain.id, name);
        domain.url_string =
            name.contains(u':') ? name : QStringLiteral("https://%1.example").arg(name);
        domain.is_pinned = site.ip != nullptr && qstrcmp(site.ip, "pinned") == 0;
        const QString host = host_key(domain.url_string);
        if (domain.is_pinned)
            profiles.insert(host, profile_at(host, "13.72.183.192", "Microsoft"));
        else if (site.ip != nullptr && !profiles.contains(host))
            profiles.insert(host, profile_at(host, site.ip, site.provider));
    }
    QStringList lines;
    for (const DomainProviderGroup& group : provider_groups(domains, profiles)) {
        QStringList members;
        for (const MonitoredDomain& d : group.domains)
            members.append(names.value(d.id));
        lines.append(group.id + QStringLiteral(": ") + group.title + QStringLiteral(" = ") +
                     members.join(QStringLiteral(", ")));
    }
    return lines;
}

struct GroupsCase {
    const char* name;
    std::vector<Site> sites;
    std::vector<const char*> groups;
};

TEST(ProviderGroups, GatherProvidersWithNeighboursPinnedFirstAndTheRestLast)
{
    // clang-format off
    const GroupsCase cases[] = {
        {"none without active domains", {}, {}},
        {"only pinned domains", {{"b", "pinned"}, {"a", "pinned"}}, {"pinned: Pinned = b, a"}},
        {"a provider with neighbours, the rest apart",
         {{"pinned", "pinned"}, {"a", "198.51.1.1", "Example Hosting"},
          {"b", "198.51.7.1", "Example Hosting B.V."}, {"c", "203.0.113.5", "Other Net"},
          {"d", "198.51.200.9", "example  hosting"}, {"e", nullptr}},
         {"pinned: Pinned = pinned", "Example Hosting: Example Hosting = a, b, d",
          "other-providers: Other Providers = c, e"}},
        {"one domain per neighbourhood stays apart",
         {{"a", "198.51.1.1", "Example Hosting"}, {"b", "203.0.113.1", "Example Hosting"}},
         {"other-providers: Other Providers = a, b"}},
        {"neighbourhoods of one provider that each have two merge",
         {{"a", "198.51.1.1", "Example"}, {"b", "203.0.1.1", "Example"},
          {"c", "198.51.2.2", "Example"}, {"d", "203.0.2.2", "Example"},
          {"e", "192.0.2.1", "Example"}},
         {"Example: Example = a, b, c, d", "other-providers: Other Providers = e"}},
        {"titles in order without regard to case",
         {{"1", "198.51.1.1", "cloud"}, {"2", "198.51.1.2", "cloud"}, {"3", "203.0.1.1", "Bravo"},
          {"4", "203.0.1.2", "Bravo"}, {"5", "192.0.1.1", "amazon"}, {"6", "192.0.1.2", "amazon"}},
         {"amazon: amazon = 5, 6", "Bravo: Bravo = 3, 4", "cloud: cloud = 1, 2"}},
        {"a name that reduces to nothing titles by itself",
         {{"a", "198.51.1.1", "B.V."}, {"b", "198.51.1.2", "B.V."}}, {"B.V.: B.V. = a, b"}},
        {"never a group without a title", {{"a", "198.51.1.1", ""}, {"b", "198.51.1.2", " \n"}},
         {"other-providers: Other Providers = a, b"}},
        {"paths and case share the host's profile",
         {{"https://Shop.Example/a", "198.51.1.1", "Example"}, {"https://shop.example/b", nullptr}},
         {"Example: Example = https://Shop.Example/a, https://shop.example/b"}},
        {"ipv6 neighbours by their /48",
         {{"a", "2001:db8:4001:82b::200e", "V6 Net"}, {"b", "2001:db8:4001:1::1", "V6 Net"}},
         {"V6 Net: V6 Net = a, b"}},
    };
    // clang-format on
    L10n::set_selected_language(AppLanguage::english);
    for (const GroupsCase& c : cases) {
        QStringList expected;
        for (const char* group : c.groups)
            expected.append(QString::fromUtf8(group));
        EXPECT_EQ(groups_of(c.sites), expected) << c.name;
    }
    L10n::set_selected_language(AppLanguage::dutch);
    EXPECT_EQ(groups_of({{"p", "pinned"}, {"a", nullptr}}),
              (QStringList{QStringLiteral("pinned: Vastgemaakt = p"),
                           QStringLiteral("other-providers: Overige providers = a")}));
    Preferences::remove(QString::fromLatin1(Preferences::app_language_key));
}

TEST(Proximity, is_the_slash_16_the_slash_48_or_the_range)
{
    const std::array<const char*, 4> cases[] = {
        // address, range key, network range (nullptr: absent), proximity key
        {"198.51.100.34", "198.51.100.0/24", nullptr, "198.51.0.0/16"},
        {"2001:db8:4001:82b::200e", "2001:0db8:4001::/48", "a-b", "2001:0db8:4001::/48"},
        {"odd", "odd", "1.0.0.0-1.255.255.255", "1.0.0.0-1.255.255.255"},
        {"odd", "odd", nullptr, "odd"},
        {"1..2.3.4", "x", nullptr, "1.2.0.0/16"},
    };
    for (const auto& [ip, range_key, network_range, key] : cases) {
        HostingProviderProfile p;
        p.ip_address = QString::fromLatin1(ip);
        p.range_key = QString::fromLatin1(range_key);
        if (network_range != nullptr)
            p.network_range = QString::fromLatin1(network_range);
        EXPECT_EQ(proximity_key(p), QString::fromLatin1(key)) << ip;
    }
}

} // namespace
