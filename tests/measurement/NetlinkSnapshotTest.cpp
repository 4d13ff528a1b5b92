#include "measurement/NetlinkSnapshot.h"

#include "NetlinkMessages.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

using Route = NetlinkMessages::Route;
using Path = NetlinkSnapshot::Path;
constexpr unsigned up_running = NetlinkMessages::up_running;
constexpr unsigned loopback = IFF_UP | IFF_RUNNING | IFF_LOOPBACK | IFF_LOWER_UP;

// The loopback and one Ethernet link (index 2), as on most machines.
NetlinkMessages& usual_links(NetlinkMessages& messages)
{
    return messages.link(1, loopback, IF_OPER_UNKNOWN).link(2, up_running, IF_OPER_UP);
}

struct PathCase {
    const char* name;
    std::function<void(NetlinkMessages&)> build;
    Path expected;
};

void PrintTo(const PathCase& c, std::ostream* out)
{
    *out << c.name;
}

class NetlinkPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(NetlinkPathTest, DecidesWhetherTheMachineHasAUsablePath)
{
    NetlinkMessages messages;
    GetParam().build(messages);
    messages.done();
    NetlinkSnapshot snapshot;
    ASSERT_EQ(snapshot.add_datagram(messages.bytes()), NetlinkSnapshot::Progress::done);
    const Path path = snapshot.path();
    EXPECT_EQ(path.usable, GetParam().expected.usable);
    EXPECT_EQ(path.interfaces, GetParam().expected.interfaces);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetlinkPathTest,
    ::testing::Values(
        PathCase{"nothing_at_all", [](NetlinkMessages&) {}, {false, {}}},
        PathCase{"links_without_routes", [](NetlinkMessages& m) { usual_links(m); }, {false, {}}},
        PathCase{"ipv4_default_route_through_ethernet",
                 [](NetlinkMessages& m) { usual_links(m).route(Route().via(2)); },
                 {true, {2}}},
        PathCase{"ipv6_default_route_through_ethernet",
                 [](NetlinkMessages& m) { usual_links(m).route(Route().ipv6().via(2)); },
                 {true, {2}}},
        PathCase{"default_route_through_a_link_that_is_down",
                 [](NetlinkMessages& m) {
                     m.link(2, IFF_BROADCAST, IF_OPER_DOWN).route(Route().via(2));
                 },
                 {false, {}}},
        PathCase{"default_route_through_a_link_without_carrier",
                 [](NetlinkMessages& m) {
                     m.link(2, IFF_UP, IF_OPER_LOWERLAYERDOWN).route(Route().via(2));
                 },
                 {false, {}}},
        PathCase{"default_route_through_a_dormant_link",
                 [](NetlinkMessages& m) {
                     m.link(2, IFF_UP | IFF_RUNNING, IF_OPER_DORMANT).route(Route().via(2));
                 },
                 {false, {}}},
        PathCase{
            "default_route_through_the_loopback",
            [](NetlinkMessages& m) { m.link(1, loopback, IF_OPER_UNKNOWN).route(Route().via(1)); },
            {false, {}}},
        PathCase{"tunnel_in_unknown_state_counts_as_up",
                 [](NetlinkMessages& m) {
                     m.link(7, IFF_UP | IFF_RUNNING | IFF_POINTOPOINT, IF_OPER_UNKNOWN)
                         .route(Route().via(7));
                 },
                 {true, {7}}},
        PathCase{"link_without_reported_state_goes_by_its_flags",
                 [](NetlinkMessages& m) { m.link(2, up_running).route(Route().via(2)); },
                 {true, {2}}},
        PathCase{"default_route_through_an_unknown_interface",
                 [](NetlinkMessages& m) { usual_links(m).route(Route().via(9)); },
                 {false, {}}},
        PathCase{"only_a_subnet_route",
                 [](NetlinkMessages& m) { usual_links(m).route(Route().prefix(24).via(2)); },
                 {false, {}}},
        PathCase{"default_route_in_another_table",
                 [](NetlinkMessages& m) { usual_links(m).route(Route().in_table(100).via(2)); },
                 {false, {}}},
        PathCase{
            "table_attribute_overrides_the_header",
            [](NetlinkMessages& m) {
                usual_links(m)
                    .route(
                        Route().in_table(RT_TABLE_COMPAT).via(2).table_attribute_of(RT_TABLE_MAIN))
                    .route(Route().ipv6().via(2).table_attribute_of(1000));
            },
            {true, {2}}},
        PathCase{"unreachable_default_route",
                 [](NetlinkMessages& m) {
                     usual_links(m).route(Route().of_type(RTN_UNREACHABLE).via(1));
                     m.route(Route().ipv6().of_type(RTN_BLACKHOLE).via(2));
                 },
                 {false, {}}},
        PathCase{"cloned_cache_entry",
                 [](NetlinkMessages& m) {
                     usual_links(m).route(Route().with_flags(RTM_F_CLONED).via(2));
                 },
                 {false, {}}},
        PathCase{"dead_single_path_route",
                 [](NetlinkMessages& m) {
                     usual_links(m).route(Route().with_flags(RTNH_F_DEAD).via(2));
                 },
                 {false, {}}},
        PathCase{"multipath_route_with_one_usable_hop",
                 [](NetlinkMessages& m) {
                     usual_links(m).link(3, IFF_UP, IF_OPER_DOWN).route(Route().hop(3).hop(2));
                 },
                 {true, {2}}},
        PathCase{"multipath_route_whose_hops_are_dead",
                 [](NetlinkMessages& m) { usual_links(m).route(Route().hop(2, RTNH_F_DEAD)); },
                 {false, {}}},
        PathCase{"route_naming_no_interface_with_a_usable_link",
                 [](NetlinkMessages& m) { usual_links(m).route(Route()); },
                 {true, {0}}},
        PathCase{"route_naming_no_interface_without_a_usable_link",
                 [](NetlinkMessages& m) { m.link(1, loopback, IF_OPER_UNKNOWN).route(Route()); },
                 {false, {}}},
        PathCase{"default_routes_of_both_families",
                 [](NetlinkMessages& m) {
                     usual_links(m)
                         .link(3, up_running, IF_OPER_UP)
                         .route(Route().ipv6().via(3))
                         .route(Route().via(2))
                         .route(Route().via(3));
                 },
                 {true, {2, 3}}},
        PathCase{
            "routes_listed_before_their_links",
            [](NetlinkMessages& m) { m.route(Route().via(2)).link(2, up_running, IF_OPER_UP); },
            {true, {2}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NetlinkSnapshotTest, ReplySpreadOverSeveralDatagramsIsGatheredUntilDone)
{
    NetlinkSnapshot snapshot;
    EXPECT_EQ(snapshot.add_datagram(NetlinkMessages().link(2, up_running, IF_OPER_UP).bytes()),
              NetlinkSnapshot::Progress::more);
    EXPECT_EQ(
        snapshot.add_datagram(NetlinkMessages().link(3, up_running).route(Route().via(3)).bytes()),
        NetlinkSnapshot::Progress::more);
    EXPECT_EQ(snapshot.add_datagram(NetlinkMessages().done().bytes()),
              NetlinkSnapshot::Progress::done);
    ASSERT_EQ(snapshot.links().size(), 2u);
    EXPECT_EQ(snapshot.links()[0].operational_state, std::optional<std::uint8_t>(IF_OPER_UP));
    EXPECT_FALSE(snapshot.links()[1].operational_state);
    ASSERT_EQ(snapshot.routes().size(), 1u);
    EXPECT_EQ(snapshot.routes()[0].output_interfaces, std::vector<int>{3});
    EXPECT_EQ(snapshot.path(), (Path{true, {3}}));
}

QByteArray forged_link(const std::function<void(QByteArray& body)>& attributes)
{
    QByteArray body = NetlinkMessages::bytes_of(ifinfomsg{});
    attributes(body);
    return NetlinkMessages().message(RTM_NEWLINK, body, NLM_F_MULTI).done().bytes();
}

QByteArray forged_route(const std::function<void(QByteArray& body)>& attributes)
{
    rtmsg header{};
    header.rtm_table = RT_TABLE_MAIN;
    header.rtm_type = RTN_UNICAST;
    QByteArray body = NetlinkMessages::bytes_of(header);
    attributes(body);
    return NetlinkMessages().message(RTM_NEWROUTE, body, NLM_F_MULTI).done().bytes();
}

QByteArray with_length(QByteArray bytes, std::uint32_t length)
{
    std::memcpy(bytes.data(), &length, sizeof length);
    return bytes;
}

struct BadReply {
    const char* name;
    QByteArray bytes;
};

TEST(NetlinkSnapshotTest, RefusesFailedInterruptedAndMalformedReplies)
{
    const QByteArray valid = NetlinkMessages().link(2, up_running).done().bytes();
    rtnexthop empty_hop{};
    const BadReply replies[] = {
        {"error", NetlinkMessages().link(2, up_running).error(EBUSY).bytes()},
        {"interrupted dump",
         NetlinkMessages().link(2, up_running, IF_OPER_UP, NLM_F_MULTI | NLM_F_DUMP_INTR).bytes()},
        {"header cut short", valid.left(10)},
        {"message cut short", valid.left(20)},
        {"length beyond the datagram", with_length(valid, 4096)},
        {"length shorter than a header", with_length(valid, 4)},
        {"length of zero", with_length(valid, 0)},
        {"link body cut short",
         NetlinkMessages().message(RTM_NEWLINK, QByteArray(8, '\0'), 0).bytes()},
        {"route body cut short",
         NetlinkMessages().message(RTM_NEWROUTE, QByteArray(4, '\0'), 0).bytes()},
        {"attribute shorter than its header", forged_link([](QByteArray& body) {
             NetlinkMessages::attribute(body, IFLA_MTU, QByteArray(4, '\0'), 2);
         })},
        {"attribute beyond its message", forged_link([](QByteArray& body) {
             NetlinkMessages::attribute(body, IFLA_MTU, QByteArray(4, '\0'), 200);
         })},
        {"state without a value", forged_link([](QByteArray& body) {
             NetlinkMessages::attribute(body, IFLA_OPERSTATE, QByteArray());
         })},
        {"interface index of two bytes", forged_route([](QByteArray& body) {
             NetlinkMessages::attribute(body, RTA_OIF, QByteArray(2, '\0'));
         })},
        {"table of two bytes", forged_route([](QByteArray& body) {
             NetlinkMessages::attribute(body, RTA_TABLE, QByteArray(2, '\0'));
         })},
        {"hop of length zero", forged_route([&](QByteArray& body) {
             NetlinkMessages::attribute(body, RTA_MULTIPATH, NetlinkMessages::bytes_of(empty_hop));
         })},
        {"hop beyond its attribute", forged_route([](QByteArray& body) {
             rtnexthop hop{};
             hop.rtnh_len = 64;
             NetlinkMessages::attribute(body, RTA_MULTIPATH, NetlinkMessages::bytes_of(hop));
         })},
    };
    for (const BadReply& reply : replies) {
        NetlinkSnapshot snapshot;
        EXPECT_EQ(snapshot.add_datagram(reply.bytes), NetlinkSnapshot::Progress::failed)
            << reply.name;
    }
}

TEST(NetlinkSnapshotTest, EveryTruncationOfAReplyIsSafe)
{
    const QByteArray reply = NetlinkMessages()
                                 .link(1, loopback, IF_OPER_UNKNOWN)
                                 .link(2, up_running, IF_OPER_UP)
                                 .route(Route().via(2))
                                 .route(Route().ipv6().hop(2).hop(3))
                                 .done()
                                 .bytes();
    for (qsizetype size = 0; size < reply.size(); ++size) {
        NetlinkSnapshot snapshot;
        const auto progress = snapshot.add_datagram(QByteArrayView(reply).first(size));
        EXPECT_NE(progress, NetlinkSnapshot::Progress::done) << size;
        // Whatever was read before the cut is whole.
        for (const NetlinkLink& link : snapshot.links())
            EXPECT_TRUE(link.index == 1 || link.index == 2) << size;
    }
}

} // namespace
