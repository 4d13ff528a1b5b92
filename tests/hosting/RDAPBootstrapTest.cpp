#include "hosting/RDAPBootstrap.h"

#include "HostingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

RDAPBootstrap bootstrap_of(const QByteArray& json)
{
    auto decoded = RDAPBootstrap::decode(json);
    EXPECT_TRUE(decoded) << (decoded ? "" : decoded.error().to_string().toStdString());
    return decoded ? *decoded : RDAPBootstrap{};
}

std::optional<QString> server_for(const RDAPBootstrap& bootstrap, const char* text)
{
    const std::optional<QUrl> url = bootstrap.service_url(address(text).bytes);
    return url ? std::optional(url->toString()) : std::nullopt;
}

TEST(BootstrapDecoding, reads_only_services_and_requires_its_shape_at_any_depth)
{
    const RDAPBootstrap bootstrap = bootstrap_of(
        R"({"version":"1.0","publication":12,"services":[[["1.0.0.0/8"],["https://a.example/"]],[]]})");
    ASSERT_EQ(bootstrap.services.size(), 2);
    EXPECT_EQ(bootstrap.services[0][1], QStringList{QStringLiteral("https://a.example/")});

    for (const char* bad :
         {R"({})", R"([])", R"({"services":{}})", R"({"services":[{}]})",
          R"({"services":[[["1.0.0.0/8"],"https://a.example/"]]})",
          R"({"services":[[["1.0.0.0/8"],[7]]]})", R"({"services":[[["1.0.0.0/8"],[null]]]})",
          R"({"services":[)", "", "\xff\xfe{}"}) {
        EXPECT_FALSE(RDAPBootstrap::decode(QByteArray(bad))) << bad;
    }
    EXPECT_FALSE(RDAPBootstrap::decode("{\"services\":" + QByteArray(100'000, '[') +
                                       QByteArray(100'000, ']') + "}"));
}

TEST(ServerChoice, takes_the_longest_matching_prefix_wherever_it_stands)
{
    const RDAPBootstrap bootstrap = bootstrap_of(R"({"services":[
        [["2001:4200::/23"],["https://short.example/rdap/"]],
        [["2001:4000::/12", "2001:4200::/32"],["https://long.example/rdap/"]],
        [["2001:4200::/32"],["https://equal-but-later.example/"]]
    ]})");
    EXPECT_EQ(server_for(bootstrap, "2001:4200::1"), QStringLiteral("https://long.example/rdap/"));
    EXPECT_EQ(server_for(bootstrap, "2001:4201::1"), QStringLiteral("https://short.example/rdap/"));
    EXPECT_EQ(server_for(bootstrap, "2001:5000::1"), QStringLiteral("https://long.example/rdap/"));
    EXPECT_EQ(server_for(bootstrap, "3000::1"), std::nullopt);
}

TEST(ServerChoice, passes_over_services_without_a_usable_first_url)
{
    const RDAPBootstrap bootstrap = bootstrap_of(R"({"services":[
        [["10.0.0.0/8"],["https://wide.example/rdap"]],
        [["10.1.0.0/16"],[]],
        [["10.2.0.0/16"],["not a url", "https://second-url-is-not-used.example/"]],
        [["10.3.0.0/16"],["ftp://files.example/"]],
        [["10.4.0.0/16"]],
        [["10.5.0.0/16", "garbage", "10.5.0.0/40"],["https://five.example"]]
    ]})");
    for (const char* text : {"10.1.2.3", "10.2.2.3", "10.3.2.3", "10.4.2.3"})
        EXPECT_EQ(server_for(bootstrap, text), QStringLiteral("https://wide.example/rdap/"))
            << text;
    EXPECT_EQ(server_for(bootstrap, "10.5.0.1"), QStringLiteral("https://five.example/"));
}

// Beyond the addresses the lookup tests send to their registries.
TEST(IanaFiles, SendEachAddressToItsRegistry)
{
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"74.125.225.229", "https://rdap.arin.net/registry/"},
        // Legacy space: listed under ARIN, which redirects to RIPE.
        {"130.59.31.80", "https://rdap.arin.net/registry/"},
        {"2.16.0.1", "https://rdap.db.ripe.net/"},
        {"1.1.1.1", "https://rdap.apnic.net/"},
        {"196.11.240.215", "https://rdap.afrinic.net/rdap/"},
        {"2a00:2381:ffff::1", "https://rdap.db.ripe.net/"},
        {"2c0f:f248::1", "https://rdap.afrinic.net/rdap/"},
        {"2410::1", "https://rdap.apnic.net/"},
        {"10.0.0.1", nullptr}, {"127.0.0.1", nullptr}, {"224.0.0.1", nullptr}, {"fd00::1", nullptr},
    };
    // clang-format on
    const RDAPBootstrap v4 = bootstrap_of(rdap_file(u"bootstrap/ipv4.json"_s));
    const RDAPBootstrap v6 = bootstrap_of(rdap_file(u"bootstrap/ipv6.json"_s));
    for (const auto& [text, server] : cases)
        EXPECT_EQ(server_for(address(text).family == AF_INET ? v4 : v6, text),
                  server ? std::optional(QString::fromLatin1(server)) : std::nullopt)
            << text;
}

} // namespace
