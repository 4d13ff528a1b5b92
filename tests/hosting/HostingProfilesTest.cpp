#include "hosting/HostingProfiles.h"

#include "DataFolder.h"
#include "EventLoop.h"
#include "HostingTestSupport.h"
#include "ManualClock.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

const QDateTime start(QDate(2025, 1, 31), QTime(9, 15), Qt::UTC);

MonitoredDomain domain(const char* url)
{
    MonitoredDomain d;
    d.id = QUuid::createUuid();
    d.url_string = QString::fromLatin1(url);
    return d;
}

QList<MonitoredDomain> domains(std::initializer_list<const char*> urls)
{
    QList<MonitoredDomain> list;
    for (const char* url : urls)
        list.append(domain(url));
    return list;
}

HostingProviderProfile stored_profile(const char* host, bool with_range = true,
                                      QDateTime updated_at = start)
{
    const auto range = with_range ? std::optional(u"198.51.100.0-198.51.100.255"_s) : std::nullopt;
    return {
        QString::fromLatin1(host), u"198.51.100.7"_s, u"198.51.100.0/24"_s, range, u"Old Name"_s,
        std::move(updated_at)};
}

// Lookups are held at the resolver, so the test decides when each host's lookup
// proceeds; the registry answers come from the local server.
class ProfileRefresh : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registries.http().is_running());
        registries.serve_answer_file("/rdap.arin.net/registry/", "13.72.183.192",
                                     u"arin-microsoft-azure.json"_s);
        QDir().mkpath(folder.path());
        resolver.hold = true;
        for (const char* host : {"a.example", "b.example", "c.example", "shop.example"})
            resolver.addresses.insert(QString::fromLatin1(host), u"13.72.183.192"_s);
    }

    void write_file(const QByteArray& content)
    {
        folder.write(u"hosting_profiles.json"_s, content);
    }
    void load(const HostingProfilesJson::ProfileMap& map)
    {
        write_file(HostingProfilesJson::encode(map));
        ASSERT_EQ(profiles->load(), HostingProfiles::LoadOutcome::loaded);
    }

    QByteArray file_content() const { return folder.read(u"hosting_profiles.json"_s); }
    QStringList file_hosts() const
    {
        auto decoded = HostingProfilesJson::decode(file_content());
        return decoded ? decoded->keys() : QStringList{u"unreadable"_s};
    }

    // Lets the held lookups go on one by one until the refresh ends.
    void answer_all()
    {
        while (resolver.pending_count() > 0) {
            resolver.answer_next();
            ASSERT_TRUE(wait_until(
                [&] { return resolver.pending_count() > 0 || !profiles->is_refreshing(); }));
        }
    }

    RegistryServer registries;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = registries.http().ca_file().toLocal8Bit()}};
    FakeResolver resolver;
    ManualClock clock{start};
    HostingProviderService service{engine, resolver, clock, registries.bootstrap_base()};
    DataFolder folder;
    QString path = folder.file(u"hosting_profiles.json"_s);
    std::unique_ptr<HostingProfiles> profiles =
        std::make_unique<HostingProfiles>(path, service, clock);
};

TEST_F(ProfileRefresh, looks_up_one_host_at_a_time_in_sorted_order_saving_after_each)
{
    QSignalSpy changed(profiles.get(), &HostingProfiles::profiles_changed);
    QSignalSpy finished(profiles.get(), &HostingProfiles::refresh_finished);
    profiles->refresh(domains({"https://c.example", "https://A.example/x", "https://b.example"}));
    EXPECT_TRUE(profiles->is_refreshing());
    EXPECT_EQ(resolver.requested, QStringList{u"a.example"_s});

    resolver.answer_next();
    ASSERT_TRUE(wait_until([&] { return resolver.pending_count() > 0; }));
    EXPECT_EQ(resolver.requested, (QStringList{u"a.example"_s, u"b.example"_s}));
    EXPECT_EQ(resolver.pending_count(), 1);
    EXPECT_EQ(file_hosts(), QStringList{u"a.example"_s});

    answer_all();
    EXPECT_EQ(resolver.requested, (QStringList{u"a.example"_s, u"b.example"_s, u"c.example"_s}));
    EXPECT_FALSE(profiles->is_refreshing());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(HostingProfilesJson::decode(file_content()).value(), profiles->profiles());
    const HostingProviderProfile& a = profiles->profiles().value(u"a.example"_s);
    EXPECT_EQ(a.provider_name, u"Microsoft Corporation"_s);
    EXPECT_EQ(a.network_range, u"13.64.0.0-13.107.255.255"_s);
    EXPECT_EQ(a.updated_at, start);
    EXPECT_EQ(profiles->display_provider_name_for(domain("https://A.example/y")),
              u"Microsoft Corporation"_s);
}

TEST_F(ProfileRefresh, due_hosts_are_those_without_a_range_or_older_than_a_week)
{
    const std::tuple<bool, qint64, bool> cases[] = {
        // with range, age in seconds, due
        {true, 3600, false}, {true, 604800, false}, {true, 604801, true},
        {false, 0, true},    {true, -86400, false}, // from the future
    };
    for (const auto& [with_range, age, due] : cases) {
        SCOPED_TRACE(age);
        resolver.requested.clear();
        load({{u"a.example"_s, stored_profile("a.example", with_range, start.addSecs(-age))}});
        profiles->refresh(domains({"https://a.example"}));
        EXPECT_EQ(resolver.requested.size(), due ? 1 : 0);
        answer_all();
        EXPECT_EQ(profiles->profiles().value(u"a.example"_s).provider_name,
                  due ? u"Microsoft Corporation"_s : u"Old Name"_s);
    }
}

TEST_F(ProfileRefresh, a_cancelled_refresh_keeps_the_answer_in_flight_then_stops)
{
    QSignalSpy finished(profiles.get(), &HostingProfiles::refresh_finished);
    profiles->refresh(domains({"https://a.example", "https://b.example"}));
    profiles->cancel();
    EXPECT_TRUE(profiles->is_refreshing()) << "a lookup is still out";
    answer_all();
    EXPECT_EQ(file_hosts(), QStringList{u"a.example"_s});
    EXPECT_EQ(resolver.requested, QStringList{u"a.example"_s});
    EXPECT_FALSE(profiles->is_refreshing());
    EXPECT_EQ(finished.count(), 0);
}

TEST_F(ProfileRefresh, a_new_refresh_waits_for_the_lookup_in_flight_and_drops_a_removed_host)
{
    profiles->refresh(domains({"https://a.example", "https://b.example"}));
    profiles->refresh(domains({"https://b.example"}));
    EXPECT_EQ(resolver.pending_count(), 1) << "never two lookups at once";
    answer_all();
    EXPECT_EQ(profiles->profiles().keys(), QStringList{u"b.example"_s});
    EXPECT_EQ(file_hosts(), QStringList{u"b.example"_s});

    // A host looked up meanwhile is not looked up again.
    profiles->refresh(domains({"https://a.example", "https://b.example"}));
    profiles->refresh(domains({"https://a.example", "https://b.example"}));
    answer_all();
    EXPECT_EQ(resolver.requested, (QStringList{u"a.example"_s, u"b.example"_s, u"a.example"_s}));
}

TEST_F(ProfileRefresh, prunes_hosts_no_active_domain_uses_and_keeps_unresolvable_ones)
{
    const HostingProviderProfile unresolvable = stored_profile("gone-dns.example", false);
    HostingProviderProfile nameless = stored_profile("shop.example");
    nameless.provider_name.clear();
    load({{u"shop.example"_s, nameless},
          {u"archived.example"_s, stored_profile("archived.example")},
          {u"gone-dns.example"_s, unresolvable}});
    QSignalSpy changed(profiles.get(), &HostingProfiles::profiles_changed);
    QSignalSpy finished(profiles.get(), &HostingProfiles::refresh_finished);
    profiles->refresh(domains({"https://shop.example/b", "https://gone-dns.example"}));
    answer_all();
    EXPECT_EQ(resolver.requested, QStringList{u"gone-dns.example"_s});
    EXPECT_EQ(profiles->profiles().value(u"gone-dns.example"_s), unresolvable);
    EXPECT_EQ(file_hosts(), (QStringList{u"gone-dns.example"_s, u"shop.example"_s}));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(profiles->profile_for(domain("https://SHOP.example/x")), nameless);
    EXPECT_EQ(profiles->display_provider_name_for(domain("https://shop.example")), std::nullopt);

    profiles->refresh({});
    EXPECT_TRUE(profiles->profiles().isEmpty());
    EXPECT_EQ(file_content(), "{}");
    EXPECT_FALSE(profiles->is_refreshing());
    EXPECT_EQ(finished.count(), 2);
}

// An unusable file is neither used nor replaced until the profiles change, and
// every write asks first.
TEST_F(ProfileRefresh, loading_tells_a_missing_file_from_an_unusable_one_and_writes_ask_first)
{
    bool allowed = true;
    QStringList asked;
    profiles = std::make_unique<HostingProfiles>(path, service, clock, [&](const QString& p) {
        asked.append(p);
        return allowed;
    });
    EXPECT_EQ(profiles->load(), HostingProfiles::LoadOutcome::absent);
    load({{u"a.example"_s, stored_profile("a.example")}});
    write_file("{\"a.example\":{\"host\":");
    QSignalSpy changed(profiles.get(), &HostingProfiles::profiles_changed);
    EXPECT_EQ(profiles->load(), HostingProfiles::LoadOutcome::unusable);
    EXPECT_TRUE(profiles->profiles().isEmpty());
    EXPECT_EQ(changed.count(), 1);

    allowed = false;
    profiles->refresh(domains({"https://a.example"}));
    answer_all();
    EXPECT_EQ(asked, (QStringList{path, path}));
    EXPECT_EQ(file_content(), "{\"a.example\":{\"host\":");
    allowed = true;
    profiles->save();
    EXPECT_EQ(file_hosts(), QStringList{u"a.example"_s});
}

TEST_F(ProfileRefresh, an_answer_after_the_profiles_are_gone_is_dropped)
{
    profiles->refresh(domains({"https://a.example"}));
    profiles.reset();
    resolver.answer_next();
    ASSERT_TRUE(wait_until([&] {
        return registries.requests_for("/rdap.arin.net/registry/ip/13.72.183.192") == 1 &&
               engine.transfers_in_flight() == 0;
    }));
    wait_for(50); // the engine's completion, then the service's answer
    EXPECT_EQ(file_content(), "{}");
}

} // namespace
