#include "measurement/NetlinkSnapshot.h"

#include <algorithm>
#include <cstring>
#include <linux/if.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <set>
#include <sys/socket.h>

namespace {

// A bounds-checked view of kernel bytes; every read copies, so no alignment is assumed.
class Bytes {
public:
    Bytes(const char* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t size() const { return size_; }

    template <typename T>
    bool read(std::size_t offset, T& value) const
    {
        if (offset > size_ || size_ - offset < sizeof(T))
            return false;
        std::memcpy(&value, data_ + offset, sizeof(T));
        return true;
    }

    Bytes from(std::size_t offset) const
    {
        return offset >= size_ ? Bytes(data_, 0) : Bytes(data_ + offset, size_ - offset);
    }
    Bytes first(std::size_t length) const { return Bytes(data_, std::min(length, size_)); }

private:
    const char* data_;
    std::size_t size_;
};

// Calls `visit(type, payload)` for each attribute; false when one overruns.
template <typename Visit>
bool for_each_attribute(Bytes attributes, Visit&& visit)
{
    std::size_t offset = 0;
    while (offset < attributes.size()) {
        rtattr attribute;
        if (!attributes.read(offset, attribute) || attribute.rta_len < sizeof(rtattr) ||
            attribute.rta_len > attributes.size() - offset)
            return false;
        const Bytes payload =
            attributes.from(offset + RTA_LENGTH(0)).first(attribute.rta_len - RTA_LENGTH(0));
        if (!visit(attribute.rta_type, payload))
            return false;
        offset += RTA_ALIGN(attribute.rta_len);
    }
    return true;
}

template <typename T>
bool read_exact(Bytes payload, T& value)
{
    return payload.size() >= sizeof(T) && payload.read(0, value);
}

bool parse_link(Bytes body, NetlinkSnapshot& snapshot)
{
    ifinfomsg info;
    if (!body.read(0, info))
        return false;
    NetlinkLink link;
    link.index = info.ifi_index;
    link.flags = info.ifi_flags;
    const bool valid =
        for_each_attribute(body.from(NLMSG_ALIGN(sizeof info)), [&](auto type, Bytes payload) {
            if (type == IFLA_OPERSTATE) {
                std::uint8_t state;
                if (!read_exact(payload, state))
                    return false;
                link.operational_state = state;
            }
            return true;
        });
    if (valid)
        snapshot.add_link(link);
    return valid;
}

bool parse_next_hops(Bytes hops, NetlinkRoute& route)
{
    std::size_t offset = 0;
    while (offset < hops.size()) {
        rtnexthop hop;
        if (!hops.read(offset, hop) || hop.rtnh_len < sizeof(rtnexthop) ||
            hop.rtnh_len > hops.size() - offset)
            return false;
        if ((hop.rtnh_flags & RTNH_F_DEAD) == 0)
            route.output_interfaces.push_back(hop.rtnh_ifindex);
        offset += RTNH_ALIGN(hop.rtnh_len);
    }
    return true;
}

bool parse_route(Bytes body, NetlinkSnapshot& snapshot)
{
    rtmsg message;
    if (!body.read(0, message))
        return false;
    NetlinkRoute route;
    route.family = message.rtm_family;
    route.destination_length = message.rtm_dst_len;
    route.table = message.rtm_table;
    route.type = message.rtm_type;
    route.flags = message.rtm_flags;
    bool multipath = false;
    const bool valid =
        for_each_attribute(body.from(NLMSG_ALIGN(sizeof message)), [&](auto type, Bytes payload) {
            if (type == RTA_TABLE) {
                // Tables above 255 exist only here; the header then says RT_TABLE_COMPAT.
                return read_exact(payload, route.table);
            }
            if (type == RTA_OIF) {
                int index;
                if (!read_exact(payload, index))
                    return false;
                route.names_interfaces = true;
                if (!multipath)
                    route.output_interfaces.push_back(index);
                return true;
            }
            if (type == RTA_MULTIPATH) {
                multipath = true;
                route.names_interfaces = true;
                route.output_interfaces.clear();
                return parse_next_hops(payload, route);
            }
            return true;
        });
    if (valid)
        snapshot.add_route(route);
    return valid;
}

} // namespace

NetlinkSnapshot::Progress NetlinkSnapshot::add_datagram(QByteArrayView datagram)
{
    const Bytes bytes(datagram.data(), static_cast<std::size_t>(datagram.size()));
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        nlmsghdr header;
        if (!bytes.read(offset, header) || header.nlmsg_len < sizeof(nlmsghdr) ||
            header.nlmsg_len > bytes.size() - offset)
            return Progress::failed;
        if ((header.nlmsg_flags & NLM_F_DUMP_INTR) != 0)
            return Progress::failed;
        const Bytes body = bytes.from(offset + NLMSG_HDRLEN).first(header.nlmsg_len - NLMSG_HDRLEN);
        switch (header.nlmsg_type) {
        case NLMSG_DONE:
            return Progress::done;
        case NLMSG_ERROR:
            return Progress::failed;
        case RTM_NEWLINK:
            if (!parse_link(body, *this))
                return Progress::failed;
            break;
        case RTM_NEWROUTE:
            if (!parse_route(body, *this))
                return Progress::failed;
            break;
        default:
            break;
        }
        offset += NLMSG_ALIGN(header.nlmsg_len);
    }
    return Progress::more;
}

NetlinkSnapshot::Path NetlinkSnapshot::path() const
{
    std::set<int> usable_links;
    for (const NetlinkLink& link : links_) {
        if (is_usable(link))
            usable_links.insert(link.index);
    }
    std::set<int> interfaces;
    for (const NetlinkRoute& route : routes_) {
        if (!is_default_route(route))
            continue;
        if (!route.names_interfaces && !usable_links.empty())
            interfaces.insert(0);
        for (const int index : route.output_interfaces) {
            if (usable_links.contains(index))
                interfaces.insert(index);
        }
    }
    return Path{!interfaces.empty(), std::vector<int>(interfaces.begin(), interfaces.end())};
}

bool NetlinkSnapshot::is_usable(const NetlinkLink& link)
{
    const unsigned required = IFF_UP | IFF_RUNNING;
    if ((link.flags & required) != required || (link.flags & IFF_LOOPBACK) != 0)
        return false;
    // Virtual links (tunnels) report no state of their own: "unknown" counts as up.
    return !link.operational_state || *link.operational_state == IF_OPER_UP ||
           *link.operational_state == IF_OPER_UNKNOWN;
}

bool NetlinkSnapshot::is_default_route(const NetlinkRoute& route)
{
    return (route.family == AF_INET || route.family == AF_INET6) && route.destination_length == 0 &&
           route.table == RT_TABLE_MAIN && route.type == RTN_UNICAST &&
           (route.flags & (RTM_F_CLONED | RTNH_F_DEAD)) == 0;
}
