#include "hosting/ProviderGroups.h"

#include "HostingTestSupport.h"
#include "i18n/L10n.h"
#include "i18n/Preferences.h"
#include "model/DomainHost.h"

#include <gtest/gtest.h>

namespace {

using Profiles = QMap<QString, HostingProviderProfile>;

HostingProviderProfile profile_at(const QString& host, const char* ip, const char* provider)
{
    HostingProviderProfile p;
    p.host = host;
    p.ip_address = QString::fromLatin1(ip);
    const QStringList parts = p.ip_address.split(u'.');
    p.range_key = parts.size() == 4 ? parts.mid(0, 3).join(u'.') + QStringLiteral(".0/24")
                                    : QStringLiteral("2001:0db8:4001::/48");
    p.network_range = QStringLiteral("198.51.0.0-198.51.255.255");
    p.provider_name = QString::fromUtf8(provider);
    p.updated_at = QDateTime(QDate(2025, 1, 31), QTime(9, 15), Qt::UTC);
    return p;
}

// Domains in store order, with the profiles of their hosts.
class Sidebar {
public:
    // `ip` nullptr: the host never resolved.
    Sidebar& add(const char* url, const char* ip, const char* provider = "", bool pinned = false)
    {
        MonitoredDomain domain;
        domain.id = QUuid::createUuid();
        domain.url_string = QString::fromLatin1(url);
        domain.is_pinned = pinned;
        domains.append(domain);
        if (ip != nullptr) {
            const QString host = host_key(domain.url_string);
            profiles.insert(host, profile_at(host, ip, provider));
        }
        return *this;
    }
    Sidebar& pinned(const char* url) { return add(url, "13.72.183.192", "Microsoft", true); }

    // Each group as "id: title = url, url, ...".
    QStringList groups() const
    {
        QStringList lines;
        for (const DomainProviderGroup& group : provider_groups(domains, profiles)) {
            QStringList urls;
            for (const MonitoredDomain& d : group.domains)
                urls.append(d.url_string);
            lines.append(group.id + QStringLiteral(": ") + group.title + QStringLiteral(" = ") +
                         urls.join(QStringLiteral(", ")));
        }
        return lines;
    }

    QList<MonitoredDomain> domains;
    Profiles profiles;
};

class ProviderGroups : public testing::Test {
protected:
    void SetUp() override { L10n::set_selected_language(AppLanguage::english); }
    void TearDown() override
    {
        Preferences::remove(QString::fromLatin1(Preferences::app_language_key));
    }
};

TEST_F(ProviderGroups, are_empty_without_active_domains)
{
    EXPECT_TRUE(provider_groups({}, {}).isEmpty());
}

TEST_F(ProviderGroups, of_only_pinned_domains_are_the_pinned_group_alone)
{
    Sidebar sidebar;
    sidebar.pinned("https://b.example").pinned("https://a.example");
    EXPECT_EQ(sidebar.groups(),
              QStringList{QStringLiteral("pinned: Pinned = https://b.example, https://a.example")});
}

TEST_F(ProviderGroups, gather_a_provider_with_neighbours_and_leave_the_rest)
{
    Sidebar sidebar;
    sidebar.pinned("https://pinned.example")
        .add("https://a.example", "198.51.1.1", "Example Hosting")
        .add("https://b.example", "198.51.7.1", "Example Hosting B.V.")
        .add("https://c.example", "203.0.113.5", "Other Net")
        .add("https://d.example", "198.51.200.9", "example  hosting")
        .add("https://e.example", nullptr);
    EXPECT_EQ(sidebar.groups(),
              (QStringList{QStringLiteral("pinned: Pinned = https://pinned.example"),
                           QStringLiteral("Example Hosting: Example Hosting = https://a.example, "
                                          "https://b.example, https://d.example"),
                           QStringLiteral("other-providers: Other Providers = https://c.example, "
                                          "https://e.example")}));
}

TEST_F(ProviderGroups, keep_one_domain_per_neighbourhood_apart)
{
    Sidebar sidebar;
    sidebar.add("https://a.example", "198.51.1.1", "Example Hosting")
        .add("https://b.example", "203.0.113.1", "Example Hosting");
    EXPECT_EQ(sidebar.groups(),
              QStringList{QStringLiteral("other-providers: Other Providers = https://a.example, "
                                         "https://b.example")});
}

TEST_F(ProviderGroups, merge_neighbourhoods_of_one_provider_that_each_have_two)
{
    Sidebar sidebar;
    sidebar.add("https://a.example", "198.51.1.1", "Example Hosting")
        .add("https://b.example", "203.0.1.1", "Example Hosting")
        .add("https://c.example", "198.51.2.2", "Example Hosting")
        .add("https://d.example", "203.0.2.2", "Example Hosting")
        .add("https://e.example", "192.0.2.1", "Example Hosting");
    EXPECT_EQ(
        sidebar.groups(),
        (QStringList{QStringLiteral("Example Hosting: Example Hosting = https://a.example, "
                                    "https://b.example, https://c.example, https://d.example"),
                     QStringLiteral("other-providers: Other Providers = https://e.example")}));
}

TEST_F(ProviderGroups, order_titles_without_regard_to_case)
{
    Sidebar sidebar;
    sidebar.add("https://1.example", "198.51.1.1", "cloud")
        .add("https://2.example", "198.51.1.2", "cloud")
        .add("https://3.example", "203.0.1.1", "Bravo")
        .add("https://4.example", "203.0.1.2", "Bravo")
        .add("https://5.example", "192.0.1.1", "amazon")
        .add("https://6.example", "192.0.1.2", "amazon");
    const QStringList groups = sidebar.groups();
    ASSERT_EQ(groups.size(), 3);
    EXPECT_TRUE(groups[0].startsWith(QStringLiteral("amazon:")));
    EXPECT_TRUE(groups[1].startsWith(QStringLiteral("Bravo:")));
    EXPECT_TRUE(groups[2].startsWith(QStringLiteral("cloud:")));
}

TEST_F(ProviderGroups, title_a_name_that_reduces_to_nothing_by_the_name_itself)
{
    Sidebar sidebar;
    sidebar.add("https://a.example", "198.51.1.1", "B.V.")
        .add("https://b.example", "198.51.1.2", "B.V.");
    EXPECT_EQ(sidebar.groups(),
              QStringList{QStringLiteral("B.V.: B.V. = https://a.example, https://b.example")});
}

TEST_F(ProviderGroups, never_make_a_group_without_a_title)
{
    Sidebar sidebar;
    sidebar.add("https://a.example", "198.51.1.1", "")
        .add("https://b.example", "198.51.1.2", " \n");
    EXPECT_EQ(sidebar.groups(),
              QStringList{QStringLiteral("other-providers: Other Providers = https://a.example, "
                                         "https://b.example")});
}

TEST_F(ProviderGroups, find_profiles_by_host_key_so_paths_and_case_share_one)
{
    Sidebar sidebar;
    sidebar.add("https://Shop.Example/a", "198.51.1.1", "Example Hosting");
    MonitoredDomain second;
    second.id = QUuid::createUuid();
    second.url_string = QStringLiteral("https://shop.example/b");
    sidebar.domains.append(second);
    EXPECT_EQ(sidebar.groups(), QStringList{QStringLiteral(
                                    "Example Hosting: Example Hosting = https://Shop.Example/a, "
                                    "https://shop.example/b")});
}

TEST_F(ProviderGroups, group_ipv6_neighbours_by_their_slash_48)
{
    Sidebar sidebar;
    sidebar.add("https://a.example", "2001:db8:4001:82b::200e", "V6 Net")
        .add("https://b.example", "2001:db8:4001:1::1", "V6 Net");
    EXPECT_EQ(sidebar.groups(),
              QStringList{QStringLiteral("V6 Net: V6 Net = https://a.example, https://b.example")});
}

TEST_F(ProviderGroups, have_dutch_titles_in_dutch)
{
    L10n::set_selected_language(AppLanguage::dutch);
    Sidebar sidebar;
    sidebar.pinned("https://p.example").add("https://a.example", nullptr);
    EXPECT_EQ(
        sidebar.groups(),
        (QStringList{QStringLiteral("pinned: Vastgemaakt = https://p.example"),
                     QStringLiteral("other-providers: Overige providers = https://a.example")}));
}

struct ProximityCase {
    const char* ip;
    const char* range_key;
    const char* network_range; // nullptr: absent
    const char* key;
};

class Proximity : public testing::TestWithParam<ProximityCase> {};

TEST_P(Proximity, is_the_slash_16_the_slash_48_or_the_range)
{
    const ProximityCase& c = GetParam();
    HostingProviderProfile p;
    p.ip_address = QString::fromLatin1(c.ip);
    p.range_key = QString::fromLatin1(c.range_key);
    if (c.network_range != nullptr)
        p.network_range = QString::fromLatin1(c.network_range);
    EXPECT_EQ(proximity_key(p), QString::fromLatin1(c.key));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Proximity,
    testing::Values(ProximityCase{"198.51.100.34", "198.51.100.0/24", nullptr, "198.51.0.0/16"},
                    ProximityCase{"2001:db8:4001:82b::200e", "2001:0db8:4001::/48", "a-b",
                                  "2001:0db8:4001::/48"},
                    ProximityCase{"odd", "odd", "1.0.0.0-1.255.255.255", "1.0.0.0-1.255.255.255"},
                    ProximityCase{"odd", "odd", nullptr, "odd"},
                    ProximityCase{"1..2.3.4", "x", nullptr, "1.2.0.0/16"}));

} // namespace
