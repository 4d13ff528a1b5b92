#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <vector>

// One network interface as the kernel reports it (RTM_NEWLINK).
struct NetlinkLink {
    int index = 0;
    unsigned flags = 0;                            // IFF_* bits
    std::optional<std::uint8_t> operational_state; // IF_OPER_*, when reported
};

// One route as the kernel reports it (RTM_NEWROUTE).
struct NetlinkRoute {
    std::uint8_t family = 0;
    std::uint8_t destination_length = 0;
    std::uint32_t table = 0;
    std::uint8_t type = 0;   // RTN_*
    std::uint32_t flags = 0; // RTM_F_*
    // Whether the route names its interfaces (RTA_OIF or RTA_MULTIPATH); one
    // through a nexthop object, for instance, does not.
    bool names_interfaces = false;
    // RTA_OIF, or the interface of every live hop of a multipath route.
    std::vector<int> output_interfaces;
};

// The links and routes of one look at the kernel's routing state, and whether
// they give the machine a usable network path.
class NetlinkSnapshot {
public:
    enum class Progress { more, done, failed };

    // Whether the machine can reach beyond itself, and through which
    // interfaces; compared to notice that the path changed.
    struct Path {
        bool usable = false;
        // Sorted interface indexes of the usable default routes; 0 stands for a
        // usable default route that names no interface.
        std::vector<int> interfaces;
        bool operator==(const Path&) const = default;
    };

    // Adds the links and routes of one datagram of a dump reply. Says `done` at
    // NLMSG_DONE, `failed` at NLMSG_ERROR, an interrupted dump or malformed
    // data, and `more` when the reply continues in the next datagram.
    Progress add_datagram(QByteArrayView datagram);

    void add_link(const NetlinkLink& link) { links_.push_back(link); }
    void add_route(const NetlinkRoute& route) { routes_.push_back(route); }
    const std::vector<NetlinkLink>& links() const { return links_; }
    const std::vector<NetlinkRoute>& routes() const { return routes_; }

    // Usable: a default route (any prefix of length 0, unicast, main table) for
    // IPv4 or IPv6 that leaves through a usable link.
    Path path() const;

    // Up and running, not the loopback, and not reported down or dormant.
    static bool is_usable(const NetlinkLink& link);
    static bool is_default_route(const NetlinkRoute& route);

private:
    std::vector<NetlinkLink> links_;
    std::vector<NetlinkRoute> routes_;
};
