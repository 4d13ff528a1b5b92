#include "hosting/HostingProviderService.h"

#include "EventLoop.h"
#include "HostingTestSupport.h"
#include "ManualClock.h"

#include <gtest/gtest.h>

namespace {

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
    std::optional<HostingProviderProfile> profile_of(HostingProviderService& service,
                                                     const char* host)
    {
        std::optional<std::optional<HostingProviderProfile>> answer;
        service.profile_for(
            QString::fromLatin1(host),
            [&](std::optional<HostingProviderProfile> p) { answer = std::move(p); });
        EXPECT_TRUE(wait_until([&] { return answer.has_value(); }));
        return answer.value_or(std::nullopt);
    }

    std::optional<HostingProviderProfile> profile_of(const char* host)
    {
        return profile_of(*service, host);
    }

    RegistryServer registries;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = registries.http().ca_file().toLocal8Bit()}};
    FakeResolver resolver;
    ManualClock clock{QDateTime(QDate(2025, 1, 31), QTime(9, 15, 42, 750), Qt::UTC)};
    std::unique_ptr<HostingProviderService> service = make_service();
};

struct RegistryCase {
    const char* file;
    const char* address;
    const char* registry;
    const char* provider;
    const char* range;
    // The registry that holds the block, when the bootstrap names another one
    // (legacy space), which redirects there.
    const char* holder = nullptr;
};

TEST_F(ProviderLookup, gives_the_provider_and_range_of_each_registrys_answer)
{
    // clang-format off
    const RegistryCase cases[] = {
        {"arin-microsoft-azure.json", "13.72.183.192", "/rdap.arin.net/registry/",
         "Microsoft Corporation", "13.64.0.0-13.107.255.255"},
        {"arin-google-ipv6.json", "2001:4860:4860::8888", "/rdap.arin.net/registry/", "Google LLC",
         "2001:4860::-2001:4860:ffff:ffff:ffff:ffff:ffff:ffff"},
        {"arin-google-ipv4-zeropadded.json", "74.125.225.229", "/rdap.arin.net/registry/",
         "Google Inc.", "74.125.0.0-74.125.255.255"},
        {"ripe-switch.json", "130.59.31.80", "/rdap.arin.net/registry/", "SWITCH-LAN",
         "130.59.0.0-130.59.255.255", "/rdap.db.ripe.net/"},
        {"ripe-bt-ipv6.json", "2a00:2381:ffff::1", "/rdap.db.ripe.net/", "BT-WORLD-IPVSIX-LAUNCH",
         "2a00:2381:ffff::-2a00:2381:ffff:0:ffff:ffff:ffff:ffff"},
        {"apnic-cloudflare-1-1-1.json", "1.1.1.1", "/rdap.apnic.net/", "APNIC-LABS",
         "1.1.1.0-1.1.1.255"},
        {"lacnic-triara.json", "200.57.141.161", "/rdap.lacnic.net/rdap/",
         "Triara.com, S.A. de C.V.", "200.57.141.161-200.57.141.161"},
        {"afrinic-mtn-business.json", "196.11.240.215", "/rdap.afrinic.net/rdap/",
         "MTN Business IP Maintainer", "196.11.239.0-196.11.246.255"},
    };
    // clang-format on
    for (const RegistryCase& c : cases) {
        SCOPED_TRACE(c.file);
        const QByteArray answering = c.holder != nullptr ? c.holder : c.registry;
        registries.serve_answer_file(answering, c.address, QString::fromLatin1(c.file));
        if (c.holder != nullptr)
            registries.http().redirect(QByteArray(c.registry) + "ip/" + c.address,
                                       registries.http()
                                           .url(QString::fromLatin1(answering + "ip/" + c.address))
                                           .toEncoded(),
                                       301);
        resolver.addresses.insert(QStringLiteral("site.example"), QString::fromLatin1(c.address));

        const std::optional<HostingProviderProfile> profile = profile_of("site.example");
        ASSERT_TRUE(profile);
        EXPECT_EQ(profile->host, QStringLiteral("site.example"));
        EXPECT_EQ(profile->ip_address, QString::fromLatin1(c.address));
        EXPECT_EQ(profile->range_key, address(c.address).range_key());
        EXPECT_EQ(profile->provider_name, QString::fromUtf8(c.provider));
        EXPECT_EQ(profile->network_range, QString::fromLatin1(c.range));
        EXPECT_EQ(profile->updated_at, QDateTime(QDate(2025, 1, 31), QTime(9, 15, 42), Qt::UTC));

        const QByteArray query = answering + "ip/" + c.address;
        ASSERT_EQ(registries.requests_for(query), 1);
        const ReceivedRequest rdap = registries.http().requests().last();
        EXPECT_EQ(rdap.target, query);
        EXPECT_EQ(rdap.header("accept"), "application/rdap+json");
        EXPECT_EQ(rdap.header("user-agent"), "Tessarybot");
    }
}

TEST_F(ProviderLookup, fetches_each_bootstrap_file_once_and_keeps_it)
{
    registries.serve_answer_file(arin, "13.72.183.192",
                                 QStringLiteral("arin-microsoft-azure.json"));
    resolver.addresses.insert(QStringLiteral("a.example"), QStringLiteral("13.72.183.192"));
    resolver.addresses.insert(QStringLiteral("b.example"), QStringLiteral("13.72.183.192"));
    // Two lookups at once share one fetch of the file.
    int answers = 0;
    for (const char* host : {"a.example", "b.example"})
        service->profile_for(
            QString::fromLatin1(host),
            [&](std::optional<HostingProviderProfile> p) { answers += p ? 1 : 0; });
    ASSERT_TRUE(wait_until([&] { return answers == 2; }));
    EXPECT_TRUE(profile_of("a.example"));
    EXPECT_EQ(registries.requests_for("/rdap/ipv4.json"), 1);
    EXPECT_EQ(registries.requests_for("/rdap/ipv6.json"), 0);
}

TEST_F(ProviderLookup, asks_again_for_a_bootstrap_file_that_failed)
{
    registries.http().serve("/rdap/ipv4.json", ServedResponse::with_status(404));
    registries.serve_answer_file(arin, "13.72.183.192",
                                 QStringLiteral("arin-microsoft-azure.json"));
    resolver.addresses.insert(QStringLiteral("a.example"), QStringLiteral("13.72.183.192"));

    const auto without_registry = profile_of("a.example");
    ASSERT_TRUE(without_registry);
    EXPECT_EQ(without_registry->provider_name, QStringLiteral("13.72.183.0/24"));
    EXPECT_EQ(without_registry->network_range, std::nullopt);

    registries.http().serve("/rdap/ipv4.json",
                            ServedResponse::with_status(200, "{\"services\":7}"));
    EXPECT_EQ(profile_of("a.example")->network_range, std::nullopt);

    registries.http().serve_body(
        "/rdap/ipv4.json",
        "{\"services\":[[[\"13.0.0.0/8\"],[\"" +
            registries.http().url(QStringLiteral("/rdap.arin.net/registry")).toEncoded() +
            "\"]]]}");
    EXPECT_EQ(profile_of("a.example")->provider_name, QStringLiteral("Microsoft Corporation"));
    EXPECT_EQ(registries.requests_for("/rdap/ipv4.json"), 3);
}

TEST_F(ProviderLookup, names_a_host_by_its_range_when_the_registry_fails)
{
    resolver.addresses.insert(QStringLiteral("a.example"), QStringLiteral("13.72.183.192"));
    const QByteArray query = arin + "ip/13.72.183.192";
    const std::pair<ServedResponse, int> failures[] = {
        {ServedResponse::with_status(500, "{\"name\":\"Server Error\"}"), 1},
        {ServedResponse::with_status(404), 1},
        {ServedResponse::with_status(200, "<html>not json</html>"), 1},
        {ServedResponse::with_status(200, "[{\"name\":\"Array\"}]"), 1},
        {ServedResponse::with_status(200, "{\"handle\":\"\",\"entities\":[]}"), 1},
        {ServedResponse::with_status(304), 1},
        // Endless redirects: given up after five.
        {ServedResponse::with_status(302).header("Location", query), 6},
        {ServedResponse::with_status(200,
                                     "{\"name\":\"" + QByteArray(3 * 1024 * 1024, 'x') + "\"}"),
         1},
    };
    for (const auto& [failure, requests] : failures) {
        SCOPED_TRACE(failure.status);
        registries.serve_answer(arin, "13.72.183.192", failure);
        const int before = registries.requests_for(query);
        const auto profile = profile_of("a.example");
        ASSERT_TRUE(profile);
        EXPECT_EQ(profile->provider_name, QStringLiteral("13.72.183.0/24"));
        EXPECT_EQ(profile->network_range, std::nullopt);
        EXPECT_EQ(registries.requests_for(query) - before, requests);
    }
    const QByteArray large_but_allowed =
        "{\"name\":\"Big\",\"remarks\":\"" + QByteArray(1024 * 1024, 'x') + "\"}";
    registries.serve_answer(arin, "13.72.183.192",
                            ServedResponse::with_status(200, large_but_allowed));
    EXPECT_EQ(profile_of("a.example")->provider_name, QStringLiteral("Big"));
}

TEST_F(ProviderLookup, gives_up_on_an_answer_that_never_comes)
{
    HostingProviderService::Limits limits;
    limits.rdap_timeout = std::chrono::milliseconds(300);
    limits.bootstrap_timeout = std::chrono::milliseconds(300);
    const auto impatient = make_service(limits);
    resolver.addresses.insert(QStringLiteral("a.example"), QStringLiteral("13.72.183.192"));
    registries.serve_answer(arin, "13.72.183.192", ServedResponse::silent());
    const auto profile = profile_of(*impatient, "a.example");
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->network_range, std::nullopt);

    registries.http().serve("/rdap/ipv4.json", ServedResponse::silent());
    const auto fresh = make_service(limits);
    EXPECT_EQ(profile_of(*fresh, "a.example")->provider_name, QStringLiteral("13.72.183.0/24"));
}

TEST_F(ProviderLookup, asks_no_registry_about_special_use_addresses)
{
    resolver.addresses.insert(QStringLiteral("intranet.example"), QStringLiteral("192.168.1.20"));
    resolver.addresses.insert(QStringLiteral("local.example"), QStringLiteral("::1"));
    const auto intranet = profile_of("intranet.example");
    ASSERT_TRUE(intranet);
    EXPECT_EQ(intranet->ip_address, QStringLiteral("192.168.1.20"));
    EXPECT_EQ(intranet->provider_name, QStringLiteral("192.168.1.0/24"));
    EXPECT_EQ(intranet->network_range, std::nullopt);
    EXPECT_EQ(profile_of("local.example")->provider_name, QStringLiteral("0000:0000:0000::/48"));
    EXPECT_TRUE(registries.http().requests().isEmpty());
}

TEST_F(ProviderLookup, gives_no_profile_for_a_host_that_does_not_resolve)
{
    EXPECT_EQ(profile_of("nowhere.example"), std::nullopt);
    EXPECT_TRUE(registries.http().requests().isEmpty());
}

TEST_F(ProviderLookup, gives_up_on_a_resolver_that_never_answers)
{
    resolver.hold = true;
    std::optional<std::optional<HostingProviderProfile>> answer;
    service->profile_for(QStringLiteral("slow.example"),
                         [&](std::optional<HostingProviderProfile> p) { answer = std::move(p); });
    clock.advance_by(29'999);
    QCoreApplication::processEvents();
    EXPECT_FALSE(answer);
    clock.advance_by(1);
    ASSERT_TRUE(wait_until([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, std::nullopt);
    // The late answer changes nothing.
    resolver.addresses.insert(QStringLiteral("slow.example"), QStringLiteral("13.72.183.192"));
    resolver.answer_next();
    QCoreApplication::processEvents();
    EXPECT_EQ(*answer, std::nullopt);
}

TEST_F(ProviderLookup, drops_callbacks_once_the_service_is_gone)
{
    resolver.addresses.insert(QStringLiteral("a.example"), QStringLiteral("13.72.183.192"));
    bool called = false;
    const auto note = [&](std::optional<HostingProviderProfile>) { called = true; };

    // Gone while the resolver's answer is on its way.
    service->profile_for(QStringLiteral("a.example"), note);
    service.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(registries.http().requests().isEmpty());

    // Gone while the registry takes its time: the request is cancelled.
    registries.serve_answer(arin, "13.72.183.192", ServedResponse::delayed(5000));
    service = make_service();
    service->profile_for(QStringLiteral("a.example"), note);
    ASSERT_TRUE(
        wait_until([&] { return registries.requests_for(arin + "ip/13.72.183.192") == 1; }));
    service.reset();
    ASSERT_TRUE(wait_until([&] { return engine.transfers_in_flight() == 0; }, 2000));
    // The cancelled transfer's completion is posted just after it leaves the count.
    wait_until([] { return false; }, 50);
    EXPECT_FALSE(called);
}

TEST(BootstrapLocation, is_configurable_and_always_a_directory)
{
    const QByteArray saved = qgetenv("TESSARY_RDAP_BOOTSTRAP_URL");
    qputenv("TESSARY_RDAP_BOOTSTRAP_URL", "https://127.0.0.1:8443/iana/rdap");
    EXPECT_EQ(HostingProviderService::configured_bootstrap_base(),
              QUrl(QStringLiteral("https://127.0.0.1:8443/iana/rdap/")));
    for (const char* unusable : {"", "not a url", "file:///etc/rdap/", "https://"}) {
        qputenv("TESSARY_RDAP_BOOTSTRAP_URL", unusable);
        EXPECT_EQ(HostingProviderService::configured_bootstrap_base(),
                  QUrl(QStringLiteral("https://data.iana.org/rdap/")))
            << unusable;
    }
    qputenv("TESSARY_RDAP_BOOTSTRAP_URL", saved);
}

} // namespace
