#include "hosting/IPNetwork.h"

#include "HostingTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct CidrCase {
    const char* cidr;
    int byte_count; // 0: does not parse
    qint64 prefix_length;
};

class CidrParsing : public testing::TestWithParam<CidrCase> {};

TEST_P(CidrParsing, gives_bytes_and_prefix_or_nothing)
{
    const CidrCase& c = GetParam();
    const std::optional<IPNetwork> network = IPNetwork::from_cidr(QString::fromLatin1(c.cidr));
    if (c.byte_count == 0) {
        EXPECT_FALSE(network) << c.cidr;
        return;
    }
    ASSERT_TRUE(network) << c.cidr;
    EXPECT_EQ(network->bytes.size(), c.byte_count);
    EXPECT_EQ(network->prefix_length, c.prefix_length);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CidrParsing,
    testing::Values(CidrCase{"41.0.0.0/8", 4, 8}, CidrCase{"2c00::/12", 16, 12},
                    CidrCase{"0.0.0.0/0", 4, 0}, CidrCase{"41.0.0.0/+8", 4, 8},
                    // Parsed; contains() decides that such a length matches nothing.
                    CidrCase{"41.0.0.0/-1", 4, -1}, CidrCase{"41.0.0.0/33", 4, 33},
                    CidrCase{"41.0.0.0", 0, 0}, CidrCase{"/8", 0, 0}, CidrCase{"41.0.0.0/", 0, 0},
                    CidrCase{"41.0.0.0/x", 0, 0}, CidrCase{"41.0.0.0/8/9", 0, 0},
                    CidrCase{"41.0.0.0/8 ", 0, 0}, CidrCase{"41.0.0/8", 0, 0},
                    CidrCase{"041.0.0.0/8", 0, 0}, CidrCase{"41.0.0.0/99999999999999999999", 0, 0},
                    CidrCase{"2c00::/+", 0, 0}, CidrCase{"example.com/8", 0, 0}));

struct ContainsCase {
    const char* cidr;
    const char* address;
    bool contained;
};

class Containment : public testing::TestWithParam<ContainsCase> {};

TEST_P(Containment, compares_whole_bytes_then_the_top_bits_of_the_next)
{
    const ContainsCase& c = GetParam();
    const IPNetwork network = *IPNetwork::from_cidr(QString::fromLatin1(c.cidr));
    EXPECT_EQ(network.contains(address(c.address).bytes), c.contained)
        << c.cidr << " / " << c.address;
}

INSTANTIATE_TEST_SUITE_P(Cases, Containment,
                         testing::Values(ContainsCase{"0.0.0.0/0", "255.1.2.3", true},
                                         ContainsCase{"::/0", "2001:db8::1", true},
                                         ContainsCase{"0.0.0.0/0", "::1", false}, // other family
                                         ContainsCase{"::/0", "1.2.3.4", false},
                                         ContainsCase{"1.2.3.4/33", "1.2.3.4", false},
                                         ContainsCase{"1.2.3.4/-1", "1.2.3.4", false},
                                         ContainsCase{"1.2.3.4/32", "1.2.3.4", true},
                                         ContainsCase{"1.2.3.4/32", "1.2.3.5", false},
                                         ContainsCase{"41.0.0.0/8", "41.255.0.1", true},
                                         ContainsCase{"41.0.0.0/8", "42.0.0.1", false},
                                         ContainsCase{"2c00::/12", "2c0f:f248::1", true},
                                         ContainsCase{"2c00::/12", "2c10::1", false},
                                         ContainsCase{"100.64.0.0/10", "100.127.255.255", true},
                                         ContainsCase{"100.64.0.0/10", "100.128.0.0", false},
                                         ContainsCase{"2001:4800::/23", "2001:4860:4860::8888",
                                                      true},
                                         ContainsCase{"2001:4800::/23", "2001:4a00::1", false}));

} // namespace
