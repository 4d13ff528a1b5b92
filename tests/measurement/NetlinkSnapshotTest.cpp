#include "measurement/NetlinkSnapshot.h"

#include "NetlinkMessages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using M = NetlinkMessages;
using Route = M::Route;
using Path = NetlinkSnapshot::Path;
constexpr unsigned up_running = M::up_running;
constexpr unsigned loopback = IFF_UP | IFF_RUNNING | IFF_LOOPBACK | IFF_LOWER_UP;

// The loopback and one Ethernet link (index 2), as on most machines.
M& usual_links(M& messages)
{
    return messages.link(1, loopback, IF_OPER_UNKNOWN).link(2, up_running, IF_OPER_UP);
}

Route via(int index)
{
    return {.output_interface = index};
}

struct PathCase {
    const char* name;
    std::function<void(M&)> build;
    Path expected;
};

TEST(NetlinkPath, DecidesWhetherTheMachineHasAUsablePath)
{
    // clang-format off
    const PathCase cases[] = {
        {"links without routes", [](M& m) { usual_links(m); }, {false, {}}},
        {"ipv4 default route through ethernet", [](M& m) { usual_links(m).route(via(2)); },
         {true, {2}}},
        {"through a link that is down",
         [](M& m) { m.link(2, IFF_BROADCAST, IF_OPER_DOWN).route(via(2)); }, {false, {}}},
        {"through the loopback",
         [](M& m) { m.link(1, loopback, IF_OPER_UNKNOWN).route(via(1)); }, {false, {}}},
        {"tunnel in unknown state counts as up", [](M& m) {
             m.link(7, IFF_UP | IFF_RUNNING | IFF_POINTOPOINT, IF_OPER_UNKNOWN).route(via(7)); },
         {true, {7}}},
        {"link without state goes by its flags",
         [](M& m) { m.link(2, up_running).route(via(2)); }, {true, {2}}},
        {"through an unknown interface", [](M& m) { usual_links(m).route(via(9)); }, {false, {}}},
        {"only a subnet route", [](M& m) {
             usual_links(m).route({.output_interface = 2, .destination_length = 24}); },
         {false, {}}},
        {"default route in another table",
         [](M& m) { usual_links(m).route({.output_interface = 2, .table = 100}); }, {false, {}}},
        {"table attribute overrides the header", [](M& m) {
             usual_links(m).route({.output_interface = 2, .table = RT_TABLE_COMPAT,
                                   .table_attribute = RT_TABLE_MAIN})
                 .route({.output_interface = 2, .family = AF_INET6, .table_attribute = 1000}); },
         {true, {2}}},
        {"unreachable default routes", [](M& m) {
             usual_links(m).route({.output_interface = 1, .type = RTN_UNREACHABLE})
                 .route({.output_interface = 2, .family = AF_INET6, .type = RTN_BLACKHOLE}); },
         {false, {}}},
        {"cloned cache entry",
         [](M& m) { usual_links(m).route({.output_interface = 2, .flags = RTM_F_CLONED}); },
         {false, {}}},
        {"dead single path route",
         [](M& m) { usual_links(m).route({.output_interface = 2, .flags = RTNH_F_DEAD}); },
         {false, {}}},
        {"multipath with one usable hop", [](M& m) {
             usual_links(m).link(3, IFF_UP, IF_OPER_DOWN).route({.hops = {{3, 0}, {2, 0}}}); },
         {true, {2}}},
        {"multipath whose hops are dead",
         [](M& m) { usual_links(m).route({.hops = {{2, RTNH_F_DEAD}}}); }, {false, {}}},
        {"route naming no interface, usable link", [](M& m) { usual_links(m).route({}); },
         {true, {0}}},
        {"route naming no interface, no usable link",
         [](M& m) { m.link(1, loopback, IF_OPER_UNKNOWN).route({}); }, {false, {}}},
        {"default routes of both families", [](M& m) {
             usual_links(m).link(3, up_running, IF_OPER_UP)
                 .route({.output_interface = 3, .family = AF_INET6}).route(via(2)).route(via(3)); },
         {true, {2, 3}}},
        {"routes listed before their links",
         [](M& m) { m.route(via(2)).link(2, up_running, IF_OPER_UP); }, {true, {2}}},
    };
    // clang-format on
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        M messages;
        c.build(messages);
        NetlinkSnapshot snapshot;
        ASSERT_EQ(snapshot.add_datagram(messages.done().bytes()), NetlinkSnapshot::Progress::done);
        EXPECT_EQ(snapshot.path(), c.expected);
    }
}

TEST(NetlinkSnapshotTest, ReplySpreadOverSeveralDatagramsIsGatheredUntilDone)
{
    NetlinkSnapshot snapshot;
    EXPECT_EQ(snapshot.add_datagram(M().link(2, up_running, IF_OPER_UP).bytes()),
              NetlinkSnapshot::Progress::more);
    EXPECT_EQ(snapshot.add_datagram(M().link(3, up_running).route(via(3)).bytes()),
              NetlinkSnapshot::Progress::more);
    EXPECT_EQ(snapshot.add_datagram(M().done().bytes()), NetlinkSnapshot::Progress::done);
    ASSERT_EQ(snapshot.links().size(), 2u);
    EXPECT_EQ(snapshot.links()[0].operational_state, std::optional<std::uint8_t>(IF_OPER_UP));
    EXPECT_FALSE(snapshot.links()[1].operational_state);
    EXPECT_EQ(snapshot.path(), (Path{true, {3}}));
}

// A link or route message with one attribute, its header stating `length` when given.
QByteArray forged(std::uint16_t type, std::uint16_t attribute, const QByteArray& payload,
                  std::optional<std::uint16_t> length = {})
{
    rtmsg route{};
    route.rtm_table = RT_TABLE_MAIN;
    route.rtm_type = RTN_UNICAST;
    QByteArray body = type == RTM_NEWLINK ? M::bytes_of(ifinfomsg{}) : M::bytes_of(route);
    M::attribute(body, attribute, payload, length);
    return M().message(type, body, NLM_F_MULTI).done().bytes();
}

QByteArray with_length(QByteArray bytes, std::uint32_t length)
{
    std::memcpy(bytes.data(), &length, sizeof length);
    return bytes;
}

TEST(NetlinkSnapshotTest, RefusesFailedInterruptedAndMalformedReplies)
{
    const QByteArray valid = M().link(2, up_running).done().bytes();
    const QByteArray four(4, '\0');
    const std::pair<const char*, QByteArray> replies[] = {
        {"error", M().link(2, up_running).error(EBUSY).bytes()},
        {"interrupted dump",
         M().link(2, up_running, IF_OPER_UP, NLM_F_MULTI | NLM_F_DUMP_INTR).bytes()},
        {"message cut short", valid.left(20)},
        {"length beyond the datagram", with_length(valid, 4096)},
        {"length of zero", with_length(valid, 0)},
        {"link body cut short", M().message(RTM_NEWLINK, QByteArray(8, '\0'), 0).bytes()},
        {"route body cut short", M().message(RTM_NEWROUTE, four, 0).bytes()},
        {"attribute shorter than its header", forged(RTM_NEWLINK, IFLA_MTU, four, 2)},
        {"attribute beyond its message", forged(RTM_NEWLINK, IFLA_MTU, four, 200)},
        {"state without a value", forged(RTM_NEWLINK, IFLA_OPERSTATE, QByteArray())},
        {"interface index of two bytes", forged(RTM_NEWROUTE, RTA_OIF, QByteArray(2, '\0'))},
        {"hop of length zero", forged(RTM_NEWROUTE, RTA_MULTIPATH, M::bytes_of(rtnexthop{}))},
        {"hop beyond its attribute",
         forged(RTM_NEWROUTE, RTA_MULTIPATH, M::bytes_of(rtnexthop{64, 0, 0, 2}))},
    };
    for (const auto& [name, bytes] : replies) {
        NetlinkSnapshot snapshot;
        EXPECT_EQ(snapshot.add_datagram(bytes), NetlinkSnapshot::Progress::failed) << name;
    }
}

TEST(NetlinkSnapshotTest, EveryTruncationOfAReplyIsSafe)
{
    const QByteArray reply = M().link(1, loopback, IF_OPER_UNKNOWN)
                                 .link(2, up_running, IF_OPER_UP)
                                 .route(via(2))
                                 .route({.family = AF_INET6, .hops = {{2, 0}, {3, 0}}})
                                 .done()
                                 .bytes();
    for (qsizetype size = 0; size < reply.size(); ++size) {
        NetlinkSnapshot snapshot;
        EXPECT_NE(snapshot.add_datagram(QByteArrayView(reply).first(size)),
                  NetlinkSnapshot::Progress::done)
            << size;
        // Whatever was read before the cut is whole.
        for (const NetlinkLink& link : snapshot.links())
            EXPECT_TRUE(link.index == 1 || link.index == 2) << size;
    }
}

} // namespace
