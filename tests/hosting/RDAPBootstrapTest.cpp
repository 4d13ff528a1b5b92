#include "hosting/RDAPBootstrap.h"

#include "HostingTestSupport.h"
#include "hosting/IPNetwork.h"

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

// The longest matching prefix wins wherever it stands; services without a usable
// first URL are passed over.
TEST(ServerChoice, takes_the_longest_matching_prefix_with_a_usable_url)
{
    const RDAPBootstrap bootstrap = bootstrap_of(R"({"services":[
        [["2001:4200::/23"],["https://short.example/rdap/"]],
        [["2001:4000::/12", "2001:4200::/32"],["https://long.example/rdap/"]],
        [["2001:4200::/32"],["https://equal-but-later.example/"]],
        [["10.0.0.0/8"],["https://wide.example/rdap"]],
        [["10.1.0.0/16"],[]],
        [["10.2.0.0/16"],["not a url", "https://second-url-is-not-used.example/"]],
        [["10.3.0.0/16"],["ftp://files.example/"]],
        [["10.4.0.0/16"]],
        [["10.5.0.0/16", "garbage", "10.5.0.0/40"],["https://five.example"]]
    ]})");
    EXPECT_EQ(server_for(bootstrap, "2001:4200::1"), u"https://long.example/rdap/"_s);
    EXPECT_EQ(server_for(bootstrap, "2001:4201::1"), u"https://short.example/rdap/"_s);
    EXPECT_EQ(server_for(bootstrap, "2001:5000::1"), u"https://long.example/rdap/"_s);
    EXPECT_EQ(server_for(bootstrap, "3000::1"), std::nullopt);
    for (const char* text : {"10.1.2.3", "10.2.2.3", "10.3.2.3", "10.4.2.3"})
        EXPECT_EQ(server_for(bootstrap, text), u"https://wide.example/rdap/"_s) << text;
    EXPECT_EQ(server_for(bootstrap, "10.5.0.1"), u"https://five.example/"_s);
}

TEST(IPNetwork, parses_bytes_and_prefix_or_nothing)
{
    // Lengths out of range parse; contains() decides that they match nothing.
    const std::tuple<const char*, int, qint64> cases[] = {
        {"41.0.0.0/8", 4, 8},  {"2c00::/12", 16, 12},  {"0.0.0.0/0", 4, 0},
        {"41.0.0.0/+8", 4, 8}, {"41.0.0.0/-1", 4, -1}, {"41.0.0.0/33", 4, 33},
    };
    for (const auto& [cidr, byte_count, prefix_length] : cases) {
        const std::optional<IPNetwork> network = IPNetwork::from_cidr(QString::fromLatin1(cidr));
        ASSERT_TRUE(network) << cidr;
        EXPECT_EQ(network->bytes.size(), byte_count) << cidr;
        EXPECT_EQ(network->prefix_length, prefix_length) << cidr;
    }
    for (const char* bad :
         {"41.0.0.0", "/8", "41.0.0.0/", "41.0.0.0/x", "41.0.0.0/8/9", "41.0.0.0/8 ", "41.0.0/8",
          "041.0.0.0/8", "41.0.0.0/99999999999999999999", "2c00::/+", "example.com/8"})
        EXPECT_FALSE(IPNetwork::from_cidr(QString::fromLatin1(bad))) << bad;
}

TEST(IPNetwork, contains_by_whole_bytes_then_the_top_bits_of_the_next)
{
    // clang-format off
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"0.0.0.0/0", "255.1.2.3", true},          {"::/0", "2001:db8::1", true},
        {"0.0.0.0/0", "::1", false},               {"::/0", "1.2.3.4", false}, // other family
        {"1.2.3.4/33", "1.2.3.4", false},          {"1.2.3.4/-1", "1.2.3.4", false},
        {"1.2.3.4/32", "1.2.3.4", true},           {"1.2.3.4/32", "1.2.3.5", false},
        {"41.0.0.0/8", "41.255.0.1", true},        {"41.0.0.0/8", "42.0.0.1", false},
        {"2c00::/12", "2c0f:f248::1", true},       {"2c00::/12", "2c10::1", false},
        {"100.64.0.0/10", "100.127.255.255", true}, {"100.64.0.0/10", "100.128.0.0", false},
        {"2001:4800::/23", "2001:4860:4860::8888", true}, {"2001:4800::/23", "2001:4a00::1", false},
    };
    // clang-format on
    for (const auto& [cidr, text, contained] : cases) {
        const IPNetwork network = *IPNetwork::from_cidr(QString::fromLatin1(cidr));
        EXPECT_EQ(network.contains(address(text).bytes), contained) << cidr << " / " << text;
    }
}

} // namespace
