#include "hosting/HostingProviderService.h"

#include "EventLoop.h"
#include "HostingTestSupport.h"
#include "ManualClock.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace Qt::StringLiterals;

const QByteArray arin = "/rdap.arin.net/registry/";

class ProviderLookup : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registries.http().is_running()) << registries.http().error().toStdString();
    }

    std::unique_ptr<HostingProviderService> make_service(HostingProviderService::Limits limits = {})
    {
        return std::make_unique<HostingProviderService>(engine, resolver, clock,
                                                        registries.bootstrap_base(), limits);
    }

    // The profile of `host`, or nothing, waiting for the answer.
    std::optional<HostingProviderProfile> profile_of(const char* host)
    {
        std::optional<std::optional<HostingProviderProfile>> answer;
        service->profile_for(QString::fromLatin1(host), [&](auto p) { answer = std::move(p); });
        EXPECT_TRUE(wait_until([&] { return answer.has_value(); }));
        return answer.value_or(std::nullopt);
    }
    // The name a host gets when no registry tells its provider.
    QString fallback_name_of(const char* host)
    {
        const auto profile = profile_of(host);
        EXPECT_TRUE(profile && !profile->network_range);
        return profile ? profile->provider_name : QString();
    }
    void resolve(const char* host, const char* ip = "13.72.183.192")
    {
        resolver.addresses.insert(QString::fromLatin1(host), QString::fromLatin1(ip));
    }

    RegistryServer registries;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = registries.http().ca_file().toLocal8Bit()}};
    FakeResolver resolver;
    ManualClock clock{QDateTime(QDate(2025, 1, 31), QTime(9, 15, 42, 750), Qt::UTC)};
    std::unique_ptr<HostingProviderService> service = make_service();
};

// The real answers of the five registries; the server path follows from the
// file name. ARIN still lists the legacy block of SWITCH and redirects to RIPE.
TEST_F(ProviderLookup, gives_the_provider_and_range_of_each_registrys_answer)
{
    const QHash<QByteArray, QByteArray> paths{{"arin", arin},
                                              {"ripe", "/rdap.db.ripe.net/"},
                                              {"apnic", "/rdap.apnic.net/"},
                                              {"lacnic", "/rdap.lacnic.net/rdap/"},
                                              {"afrinic", "/rdap.afrinic.net/rdap/"}};
    // clang-format off
    const std::array<const char*, 4> cases[] = {
        {"arin-microsoft-azure", "13.72.183.192", "Microsoft Corporation",
         "13.64.0.0-13.107.255.255"},
        {"arin-google-ipv6", "2001:4860:4860::8888", "Google LLC",
         "2001:4860::-2001:4860:ffff:ffff:ffff:ffff:ffff:ffff"},
        {"arin-google-ipv4-zeropadded", "74.125.225.229", "Google Inc.",
         "74.125.0.0-74.125.255.255"},
        {"ripe-switch", "130.59.31.80", "SWITCH-LAN", "130.59.0.0-130.59.255.255"},
        {"ripe-bt-ipv6", "2a00:2381:ffff::1", "BT-WORLD-IPVSIX-LAUNCH",
         "2a00:2381:ffff::-2a00:2381:ffff:0:ffff:ffff:ffff:ffff"},
        {"apnic-cloudflare-1-1-1", "1.1.1.1", "APNIC-LABS", "1.1.1.0-1.1.1.255"},
        {"lacnic-triara", "200.57.141.161", "Triara.com, S.A. de C.V.",
         "200.57.141.161-200.57.141.161"},
        {"afrinic-mtn-business", "196.11.240.215", "MTN Business IP Maintainer",
         "196.11.239.0-196.11.246.255"},
    };
    // clang-format on
    for (const auto& [file, ip, provider, range] : cases) {
        SCOPED_TRACE(file);
        const QByteArray registry = paths.value(QByteArray(file).split('-').first());
        const QByteArray query = registry + "ip/" + ip;
        registries.serve_answer_file(registry, ip, QString::fromLatin1(file) + u".json"_s);
        if (qstrcmp(file, "ripe-switch") == 0)
            registries.http().redirect(
                arin + "ip/" + ip, registries.http().url(QString::fromLatin1(query)).toEncoded(),
                301);
        resolve("site.example", ip);

        const std::optional<HostingProviderProfile> profile = profile_of("site.example");
        ASSERT_TRUE(profile);
        EXPECT_EQ(profile->ip_address, QString::fromLatin1(ip));
        EXPECT_EQ(profile->range_key, address(ip).range_key());
        EXPECT_EQ(profile->provider_name, QString::fromUtf8(provider));
        EXPECT_EQ(profile->network_range, QString::fromLatin1(range));
        EXPECT_EQ(profile->updated_at, QDateTime(QDate(2025, 1, 31), QTime(9, 15, 42), Qt::UTC));
        ASSERT_EQ(registries.requests_for(query), 1);
        const ReceivedRequest rdap = registries.http().requests().last();
        EXPECT_EQ(rdap.header("accept"), "application/rdap+json");
        EXPECT_EQ(rdap.header("user-agent"), "Tessarybot");
    }
}

TEST_F(ProviderLookup, fetches_each_bootstrap_file_once_and_again_after_a_failure)
{
    registries.serve_answer_file(arin, "13.72.183.192", u"arin-microsoft-azure.json"_s);
    resolve("a.example");
    // Two lookups at once share one fetch of the file.
    int answers = 0;
    for (int i = 0; i < 2; ++i)
        service->profile_for(u"a.example"_s, [&](auto p) { answers += p ? 1 : 0; });
    ASSERT_TRUE(wait_until([&] { return answers == 2; }));
    EXPECT_TRUE(profile_of("a.example"));
    EXPECT_EQ(registries.requests_for("/rdap/ipv4.json"), 1);
    EXPECT_EQ(registries.requests_for("/rdap/ipv6.json"), 0);

    service = make_service();
    registries.http().serve("/rdap/ipv4.json", ServedResponse::with_status(404));
    EXPECT_EQ(fallback_name_of("a.example"), u"13.72.183.0/24"_s);
    registries.http().serve_body("/rdap/ipv4.json", "{\"services\":7}");
    EXPECT_EQ(fallback_name_of("a.example"), u"13.72.183.0/24"_s);
    registries.http().serve_body(
        "/rdap/ipv4.json", "{\"services\":[[[\"13.0.0.0/8\"],[\"" +
                               registries.http().url(u"/rdap.arin.net/registry"_s).toEncoded() +
                               "\"]]]}");
    EXPECT_EQ(profile_of("a.example")->provider_name, u"Microsoft Corporation"_s);
    EXPECT_EQ(registries.requests_for("/rdap/ipv4.json"), 4);
}

TEST_F(ProviderLookup, names_a_host_by_its_range_when_the_registry_fails)
{
    resolve("a.example");
    const QByteArray query = arin + "ip/13.72.183.192";
    const std::pair<ServedResponse, int> failures[] = {
        {ServedResponse::with_status(500, "{\"name\":\"Server Error\"}"), 1},
        {ServedResponse::with_status(404), 1},
        {ServedResponse::with_status(200, "<html>not json</html>"), 1},
        {ServedResponse::with_status(200, "{\"handle\":\"\",\"entities\":[]}"), 1},
        // Endless redirects: given up after five.
        {ServedResponse::with_status(302).header("Location", query), 6},
        {ServedResponse::with_status(200, "{\"name\":\"" + QByteArray(3 << 20, 'x') + "\"}"), 1},
    };
    for (const auto& [failure, requests] : failures) {
        SCOPED_TRACE(failure.status);
        registries.serve_answer(arin, "13.72.183.192", failure);
        const int before = registries.requests_for(query);
        EXPECT_EQ(fallback_name_of("a.example"), u"13.72.183.0/24"_s);
        EXPECT_EQ(registries.requests_for(query) - before, requests);
    }
    const QByteArray large_but_allowed =
        "{\"name\":\"Big\",\"remarks\":\"" + QByteArray(1 << 20, 'x') + "\"}";
    registries.serve_answer(arin, "13.72.183.192",
                            ServedResponse::with_status(200, large_but_allowed));
    EXPECT_EQ(profile_of("a.example")->provider_name, u"Big"_s);
}

TEST_F(ProviderLookup, gives_up_on_an_answer_that_never_comes)
{
    using namespace std::chrono_literals;
    const HostingProviderService::Limits limits{.rdap_timeout = 300ms, .bootstrap_timeout = 300ms};
    resolve("a.example");
    registries.serve_answer(arin, "13.72.183.192", ServedResponse::silent());
    service = make_service(limits);
    EXPECT_EQ(fallback_name_of("a.example"), u"13.72.183.0/24"_s);
    registries.http().serve("/rdap/ipv4.json", ServedResponse::silent());
    service = make_service(limits);
    EXPECT_EQ(fallback_name_of("a.example"), u"13.72.183.0/24"_s);
}

TEST_F(ProviderLookup, asks_no_registry_about_special_use_or_unresolved_hosts)
{
    resolve("intranet.example", "192.168.1.20");
    resolve("local.example", "::1");
    EXPECT_EQ(fallback_name_of("intranet.example"), u"192.168.1.0/24"_s);
    EXPECT_EQ(fallback_name_of("local.example"), u"0000:0000:0000::/48"_s);
    EXPECT_EQ(profile_of("nowhere.example"), std::nullopt);
    EXPECT_TRUE(registries.http().requests().isEmpty());
}

TEST_F(ProviderLookup, gives_up_on_a_resolver_that_never_answers)
{
    resolver.hold = true;
    std::optional<std::optional<HostingProviderProfile>> answer;
    service->profile_for(u"slow.example"_s, [&](auto p) { answer = std::move(p); });
    clock.advance_by(29'999);
    QCoreApplication::processEvents();
    EXPECT_FALSE(answer);
    clock.advance_by(1);
    ASSERT_TRUE(wait_until([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, std::nullopt);
    // The late answer changes nothing: no registry is asked.
    resolve("slow.example");
    resolver.answer_next();
    wait_for(300);
    EXPECT_TRUE(registries.http().requests().isEmpty());
    EXPECT_EQ(*answer, std::nullopt);
}

TEST_F(ProviderLookup, drops_callbacks_once_the_service_is_gone)
{
    resolve("a.example");
    bool called = false;
    const auto note = [&](std::optional<HostingProviderProfile>) { called = true; };

    // Gone while the resolver's answer is on its way.
    service->profile_for(u"a.example"_s, note);
    service.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(registries.http().requests().isEmpty());

    // Gone while the registry takes its time: the request is cancelled.
    registries.serve_answer(arin, "13.72.183.192", ServedResponse::delayed(5000));
    service = make_service();
    service->profile_for(u"a.example"_s, note);
    ASSERT_TRUE(
        wait_until([&] { return registries.requests_for(arin + "ip/13.72.183.192") == 1; }));
    service.reset();
    ASSERT_TRUE(wait_until([&] { return engine.transfers_in_flight() == 0; }, 2000));
    wait_for(50); // the cancelled transfer's completion is posted just after it leaves the count
    EXPECT_FALSE(called);
}

TEST(BootstrapLocation, is_configurable_and_always_a_directory)
{
    const QByteArray saved = qgetenv("TESSARY_RDAP_BOOTSTRAP_URL");
    const std::pair<const char*, QString> cases[] = {
        {"https://127.0.0.1:8443/iana/rdap", u"https://127.0.0.1:8443/iana/rdap/"_s},
        {"", u"https://data.iana.org/rdap/"_s},
        {"file:///etc/rdap/", u"https://data.iana.org/rdap/"_s},
        {"https://", u"https://data.iana.org/rdap/"_s},
    };
    for (const auto& [value, base] : cases) {
        qputenv("TESSARY_RDAP_BOOTSTRAP_URL", value);
        EXPECT_EQ(HostingProviderService::configured_bootstrap_base().toString(), base) << value;
    }
    qputenv("TESSARY_RDAP_BOOTSTRAP_URL", saved);
}

} // namespace
