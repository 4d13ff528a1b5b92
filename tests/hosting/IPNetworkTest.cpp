#include "hosting/IPNetwork.h"

#include "HostingTestSupport.h"

#include <gtest/gtest.h>

namespace {

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
