#include "measurement/NetlinkSnapshot.h"

#include "NetlinkMessages.h"

#include <gtest/gtest.h>

#include <functional>

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

using M = NetlinkMessages;

TEST(NetlinkPath, DecidesWhetherTheMachineHasAUsablePath)
{
    // clang-format off
    const PathCase cases[] = {
        {"nothing at all", [](M&) {}, {false, {}}},
        {"links without routes", [](M& m) { usual_links(m); }, {false, {}}},
        {"ipv4 default route through ethernet",
         [](M& m) { usual_links(m).route(Route().via(2)); }, {true, {2}}},
        {"ipv6 default route through ethernet",
         [](M& m) { usual_links(m).route(Route().ipv6().via(2)); }, {true, {2}}},
        {"through a link that is down",
         [](M& m) { m.link(2, IFF_BROADCAST, IF_OPER_DOWN).route(Route().via(2)); }, {false, {}}},
        {"through a link without carrier",
         [](M& m) { m.link(2, IFF_UP, IF_OPER_LOWERLAYERDOWN).route(Route().via(2)); },
         {false, {}}},
        {"through a dormant link",
         [](M& m) { m.link(2, IFF_UP | IFF_RUNNING, IF_OPER_DORMANT).route(Route().via(2)); },
         {false, {}}},
        {"through the loopback",
         [](M& m) { m.link(1, loopback, IF_OPER_UNKNOWN).route(Route().via(1)); }, {false, {}}},
        {"tunnel in unknown state counts as up",
         [](M& m) {
             m.link(7, IFF_UP | IFF_RUNNING | IFF_POINTOPOINT, IF_OPER_UNKNOWN)
                 .route(Route().via(7)); },
         {true, {7}}},
        {"link without state goes by its flags",
         [](M& m) { m.link(2, up_running).route(Route().via(2)); }, {true, {2}}},
        {"through an unknown interface",
         [](M& m) { usual_links(m).route(Route().via(9)); }, {false, {}}},
        {"only a subnet route",
         [](M& m) { usual_links(m).route(Route().prefix(24).via(2)); }, {false, {}}},
        {"default route in another table",
         [](M& m) { usual_links(m).route(Route().in_table(100).via(2)); }, {false, {}}},
        {"table attribute overrides the header", [](M& m) {
             usual_links(m)
                 .route(Route().in_table(RT_TABLE_COMPAT).via(2).table_attribute_of(RT_TABLE_MAIN))
                 .route(Route().ipv6().via(2).table_attribute_of(1000)); }, {true, {2}}},
        {"unreachable default routes", [](M& m) {
             usual_links(m).route(Route().of_type(RTN_UNREACHABLE).via(1))
                 .route(Route().ipv6().of_type(RTN_BLACKHOLE).via(2)); }, {false, {}}},
        {"cloned cache entry",
         [](M& m) { usual_links(m).route(Route().with_flags(RTM_F_CLONED).via(2)); }, {false, {}}},
        {"dead single path route",
         [](M& m) { usual_links(m).route(Route().with_flags(RTNH_F_DEAD).via(2)); }, {false, {}}},
        {"multipath with one usable hop",
         [](M& m) { usual_links(m).link(3, IFF_UP, IF_OPER_DOWN).route(Route().hop(3).hop(2)); },
         {true, {2}}},
        {"multipath whose hops are dead",
         [](M& m) { usual_links(m).route(Route().hop(2, RTNH_F_DEAD)); }, {false, {}}},
        {"route naming no interface, usable link",
         [](M& m) { usual_links(m).route(Route()); }, {true, {0}}},
        {"route naming no interface, no usable link",
         [](M& m) { m.link(1, loopback, IF_OPER_UNKNOWN).route(Route()); }, {false, {}}},
        {"default routes of both families", [](M& m) {
             usual_links(m).link(3, up_running, IF_OPER_UP).route(Route().ipv6().via(3))
                 .route(Route().via(2)).route(Route().via(3)); }, {true, {2, 3}}},
        {"routes listed before their links",
         [](M& m) { m.route(Route().via(2)).link(2, up_running, IF_OPER_UP); }, {true, {2}}},
    };
    // clang-format on
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        NetlinkMessages messages;
        c.build(messages);
        messages.done();
        NetlinkSnapshot snapshot;
        ASSERT_EQ(snapshot.add_datagram(messages.bytes()), NetlinkSnapshot::Progress::done);
        EXPECT_EQ(snapshot.path(), c.expected);
    }
}

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
