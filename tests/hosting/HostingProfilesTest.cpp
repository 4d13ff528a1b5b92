#include "hosting/HostingProfiles.h"

#include "EventLoop.h"
#include "HostingTestSupport.h"
#include "ManualClock.h"
#include "model/AtomicFile.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

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

HostingProviderProfile stored_profile(const char* host, bool with_range, QDateTime updated_at)
{
    HostingProviderProfile p;
    p.host = QString::fromLatin1(host);
    p.ip_address = u"198.51.100.7"_s;
    p.range_key = u"198.51.100.0/24"_s;
    if (with_range)
        p.network_range = u"198.51.100.0-198.51.100.255"_s;
    p.provider_name = u"Old Name"_s;
    p.updated_at = std::move(updated_at);
    return p;
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
        resolver.hold = true;
        for (const char* host : {"a.example", "b.example", "c.example", "shop.example"})
            resolver.addresses.insert(QString::fromLatin1(host), u"13.72.183.192"_s);
    }

    void write_file(const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void write_file(const HostingProfilesJson::ProfileMap& map)
    {
        write_file(HostingProfilesJson::encode(map));
    }

    QByteArray file_content() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    HostingProfilesJson::ProfileMap file_profiles() const
    {
        auto decoded = HostingProfilesJson::decode(file_content());
        return decoded ? *decoded : HostingProfilesJson::ProfileMap{};
    }

    // Lets the held lookup go on and waits until the next is held or the refresh ends.
    void answer_next()
    {
        resolver.answer_next();
        ASSERT_TRUE(
            wait_until([&] { return resolver.pending_count() > 0 || !profiles->is_refreshing(); }));
    }

    void answer_all()
    {
        while (resolver.pending_count() > 0)
            answer_next();
    }

    RegistryServer registries;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = registries.http().ca_file().toLocal8Bit()}};
    FakeResolver resolver;
    ManualClock clock{start};
    HostingProviderService service{engine, resolver, clock, registries.bootstrap_base()};
    QTemporaryDir folder;
    QString path = folder.filePath(u"hosting_profiles.json"_s);
    std::unique_ptr<HostingProfiles> profiles =
        std::make_unique<HostingProfiles>(path, service, clock);
};

TEST_F(ProfileRefresh, load_tells_a_missing_file_from_an_unusable_one)
{
    EXPECT_EQ(profiles->load(), HostingProfiles::LoadOutcome::absent);
    write_file({{u"a.example"_s, stored_profile("a.example", true, start)}});
    EXPECT_EQ(profiles->load(), HostingProfiles::LoadOutcome::loaded);
    EXPECT_EQ(profiles->profiles().size(), 1);

    write_file(QByteArray("{\"a.example\":{\"host\":"));
    QSignalSpy changed(profiles.get(), &HostingProfiles::profiles_changed);
    EXPECT_EQ(profiles->load(), HostingProfiles::LoadOutcome::unusable);
    EXPECT_TRUE(profiles->profiles().isEmpty());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(file_content(), "{\"a.example\":{\"host\":");
}

TEST_F(ProfileRefresh, without_domains_prunes_everything_and_writes_an_empty_object)
{
    write_file({{u"gone.example"_s, stored_profile("gone.example", true, start)}});
    profiles->load();
    QSignalSpy finished(profiles.get(), &HostingProfiles::refresh_finished);
    profiles->refresh({});
    EXPECT_TRUE(profiles->profiles().isEmpty());
    EXPECT_EQ(file_content(), "{}");
    EXPECT_FALSE(profiles->is_refreshing());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(resolver.requested.isEmpty());
}

TEST_F(ProfileRefresh, looks_up_one_host_at_a_time_in_sorted_order_saving_after_each)
{
    QSignalSpy changed(profiles.get(), &HostingProfiles::profiles_changed);
    QSignalSpy finished(profiles.get(), &HostingProfiles::refresh_finished);
    profiles->refresh(domains({"https://c.example", "https://A.example/x", "https://b.example"}));
    EXPECT_TRUE(profiles->is_refreshing());
    EXPECT_EQ(resolver.requested, QStringList{u"a.example"_s});
    EXPECT_EQ(resolver.pending_count(), 1);

    answer_next();
    EXPECT_EQ(resolver.requested, (QStringList{u"a.example"_s, u"b.example"_s}));
    EXPECT_EQ(resolver.pending_count(), 1);
    EXPECT_EQ(file_profiles().keys(), QStringList{u"a.example"_s});
    EXPECT_EQ(changed.count(), 1);

    answer_all();
    EXPECT_EQ(resolver.requested, (QStringList{u"a.example"_s, u"b.example"_s, u"c.example"_s}));
    EXPECT_FALSE(profiles->is_refreshing());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(file_profiles(), profiles->profiles());
    const HostingProviderProfile& a = profiles->profiles().value(u"a.example"_s);
    EXPECT_EQ(a.provider_name, u"Microsoft Corporation"_s);
    EXPECT_EQ(a.network_range, u"13.64.0.0-13.107.255.255"_s);
    EXPECT_EQ(a.updated_at, start);
}

TEST_F(ProfileRefresh, due_hosts_are_those_without_a_range_or_older_than_a_week)
{
    struct DueCase {
        const char* name;
        bool with_range;
        qint64 age_seconds;
        bool due;
    };
    const DueCase cases[] = {
        {"fresh", true, 3600, false},
        {"exactly a week", true, 604800, false},
        {"a week and a second", true, 604801, true},
        {"fresh without range", false, 0, true},
        {"from the future", true, -86400, false},
    };
    for (const DueCase& c : cases) {
        SCOPED_TRACE(c.name);
        resolver.requested.clear();
        write_file({{u"a.example"_s,
                     stored_profile("a.example", c.with_range, start.addSecs(-c.age_seconds))}});
        profiles->load();
        profiles->refresh(domains({"https://a.example"}));
        EXPECT_EQ(resolver.requested.size(), c.due ? 1 : 0);
        answer_all();
        EXPECT_EQ(profiles->profiles().value(u"a.example"_s).provider_name,
                  c.due ? u"Microsoft Corporation"_s : u"Old Name"_s);
    }
}

TEST_F(ProfileRefresh, a_cancelled_refresh_keeps_the_answer_in_flight_then_stops)
{
    QSignalSpy finished(profiles.get(), &HostingProfiles::refresh_finished);
    profiles->refresh(domains({"https://a.example", "https://b.example"}));
    profiles->cancel();
    EXPECT_TRUE(profiles->is_refreshing()) << "a lookup is still out";
    answer_next();
    EXPECT_TRUE(profiles->profiles().contains(u"a.example"_s));
    EXPECT_EQ(file_profiles().size(), 1);
    EXPECT_EQ(resolver.requested, QStringList{u"a.example"_s});
    EXPECT_FALSE(profiles->is_refreshing());
    EXPECT_EQ(finished.count(), 0);
}

TEST_F(ProfileRefresh, a_new_refresh_waits_for_the_lookup_in_flight_and_drops_a_removed_host)
{
    profiles->refresh(domains({"https://a.example", "https://b.example"}));
    profiles->refresh(domains({"https://b.example"}));
    EXPECT_EQ(resolver.pending_count(), 1) << "never two lookups at once";
    answer_next();
    EXPECT_FALSE(profiles->profiles().contains(u"a.example"_s));
    EXPECT_EQ(resolver.pending_host(), u"b.example"_s);
    answer_all();
    EXPECT_EQ(profiles->profiles().keys(), QStringList{u"b.example"_s});
    EXPECT_EQ(file_profiles().keys(), QStringList{u"b.example"_s});

    // A host looked up meanwhile is not looked up again.
    profiles->refresh(domains({"https://a.example", "https://b.example"}));
    profiles->refresh(domains({"https://a.example", "https://b.example"}));
    answer_all();
    EXPECT_EQ(resolver.requested, (QStringList{u"a.example"_s, u"b.example"_s, u"a.example"_s}));
}

TEST_F(ProfileRefresh, a_host_that_does_not_resolve_keeps_its_old_profile)
{
    const HostingProviderProfile old =
        stored_profile("gone-dns.example", false, start.addDays(-30));
    write_file({{u"gone-dns.example"_s, old}});
    profiles->load();
    QSignalSpy changed(profiles.get(), &HostingProfiles::profiles_changed);
    profiles->refresh(domains({"https://gone-dns.example"}));
    answer_all();
    EXPECT_EQ(profiles->profiles().value(u"gone-dns.example"_s), old);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(ProfileRefresh, pruning_keeps_a_host_another_active_domain_still_uses)
{
    write_file({{u"shop.example"_s, stored_profile("shop.example", true, start)},
                {u"archived.example"_s, stored_profile("archived.example", true, start)}});
    profiles->load();
    QSignalSpy changed(profiles.get(), &HostingProfiles::profiles_changed);
    profiles->refresh(domains({"https://shop.example/b"}));
    EXPECT_EQ(profiles->profiles().keys(), QStringList{u"shop.example"_s});
    EXPECT_EQ(file_profiles().keys(), QStringList{u"shop.example"_s});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(resolver.requested.isEmpty());
}

TEST_F(ProfileRefresh, every_write_asks_first_and_a_refusal_leaves_the_file_alone)
{
    bool allowed = false;
    QStringList asked;
    profiles = std::make_unique<HostingProfiles>(path, service, clock, [&](const QString& p) {
        asked.append(p);
        return allowed;
    });
    write_file(QByteArray("not json"));
    ASSERT_EQ(profiles->load(), HostingProfiles::LoadOutcome::unusable);

    profiles->refresh(domains({"https://a.example"}));
    answer_all();
    EXPECT_EQ(asked, (QStringList{path, path}));
    EXPECT_EQ(file_content(), "not json");

    allowed = true;
    profiles->save();
    EXPECT_EQ(file_profiles().keys(), QStringList{u"a.example"_s});
}

TEST_F(ProfileRefresh, a_failed_write_leaves_the_previous_file_whole)
{
    write_file({{u"a.example"_s, stored_profile("a.example", true, start)}});
    const QByteArray before = file_content();
    profiles->load();
    AtomicFile::set_system_calls({[](int, const void*, size_t) -> ssize_t {
                                      errno = ENOSPC;
                                      return -1;
                                  },
                                  AtomicFile::default_system_calls().fsync});
    profiles->refresh({});
    AtomicFile::set_system_calls(AtomicFile::default_system_calls());
    EXPECT_TRUE(profiles->profiles().isEmpty());
    EXPECT_EQ(file_content(), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{u"hosting_profiles.json"_s});
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
    // Two turns: the engine's completion, then the service's answer.
    wait_until([] { return false; }, 50);
    EXPECT_EQ(file_content(), "{}");
}

TEST_F(ProfileRefresh, domains_find_their_profile_and_display_name_by_host_key)
{
    HostingProviderProfile emptied = stored_profile("b.example", true, start);
    emptied.provider_name = QString();
    HostingProviderProfile legal_form = stored_profile("c.example", true, start);
    legal_form.provider_name = u"Example\n Hosting  B.V."_s;
    write_file({{u"b.example"_s, emptied}, {u"c.example"_s, legal_form}});
    profiles->load();

    EXPECT_EQ(profiles->profile_for(domain("https://C.Example/path")), legal_form);
    EXPECT_EQ(profiles->display_provider_name_for(domain("https://c.example")),
              u"Example Hosting"_s);
    EXPECT_TRUE(profiles->profile_for(domain("https://b.example")));
    EXPECT_EQ(profiles->display_provider_name_for(domain("https://b.example")), std::nullopt);
    EXPECT_EQ(profiles->profile_for(domain("https://a.example")), std::nullopt);
    EXPECT_EQ(profiles->display_provider_name_for(domain("https://a.example")), std::nullopt);
}

} // namespace
