#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <linux/if.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <optional>
#include <sys/socket.h>
#include <utility>
#include <vector>

// Builds rtnetlink dump replies byte for byte, as the kernel lays them out.
class NetlinkMessages {
public:
    // An IPv4 default route in the main table unless told otherwise.
    struct Route {
        std::uint8_t family = AF_INET;
        std::uint8_t destination_length = 0;
        std::uint8_t table = RT_TABLE_MAIN;
        std::uint8_t type = RTN_UNICAST;
        std::uint32_t flags = 0;
        std::optional<int> output_interface;
        std::optional<std::uint32_t> table_attribute;
        // Interface and RTNH_F_* flags of each hop of a multipath route.
        std::vector<std::pair<int, std::uint8_t>> hops;

        Route& ipv6() { return set(family, std::uint8_t{AF_INET6}); }
        Route& via(int index) { return set(output_interface, std::optional(index)); }
        Route& prefix(std::uint8_t length) { return set(destination_length, length); }
        Route& in_table(std::uint8_t header_table) { return set(table, header_table); }
        Route& table_attribute_of(std::uint32_t id)
        {
            return set(table_attribute, std::optional(id));
        }
        Route& of_type(std::uint8_t route_type) { return set(type, route_type); }
        Route& with_flags(std::uint32_t route_flags) { return set(flags, route_flags); }
        Route& hop(int index, std::uint8_t hop_flags = 0)
        {
            hops.emplace_back(index, hop_flags);
            return *this;
        }

    private:
        template <typename T>
        Route& set(T& field, T value)
        {
            field = value;
            return *this;
        }
    };

    static constexpr unsigned up_running = IFF_UP | IFF_RUNNING | IFF_LOWER_UP;

    NetlinkMessages& link(int index, unsigned flags, std::optional<std::uint8_t> state = {},
                          std::uint16_t message_flags = NLM_F_MULTI)
    {
        ifinfomsg info{};
        info.ifi_family = AF_UNSPEC;
        info.ifi_index = index;
        info.ifi_flags = flags;
        QByteArray body = bytes_of(info);
        attribute(body, IFLA_MTU, bytes_of(std::uint32_t{1500}));
        if (state)
            attribute(body, IFLA_OPERSTATE, bytes_of(*state));
        return message(RTM_NEWLINK, body, message_flags);
    }

    NetlinkMessages& route(const Route& route)
    {
        rtmsg header{};
        header.rtm_family = route.family;
        header.rtm_dst_len = route.destination_length;
        header.rtm_table = route.table;
        header.rtm_type = route.type;
        header.rtm_protocol = RTPROT_BOOT;
        header.rtm_scope = RT_SCOPE_UNIVERSE;
        header.rtm_flags = route.flags;
        QByteArray body = bytes_of(header);
        if (route.table_attribute)
            attribute(body, RTA_TABLE, bytes_of(*route.table_attribute));
        attribute(body, RTA_PRIORITY, bytes_of(std::uint32_t{100}));
        if (route.output_interface)
            attribute(body, RTA_OIF, bytes_of(*route.output_interface));
        if (!route.hops.empty()) {
            QByteArray hops;
            for (const auto& [index, flags] : route.hops) {
                rtnexthop hop{};
                hop.rtnh_len = sizeof hop;
                hop.rtnh_flags = flags;
                hop.rtnh_ifindex = index;
                hops += bytes_of(hop);
            }
            attribute(body, RTA_MULTIPATH, hops);
        }
        return message(RTM_NEWROUTE, body, NLM_F_MULTI);
    }

    NetlinkMessages& done() { return message(NLMSG_DONE, bytes_of(0), NLM_F_MULTI); }

    NetlinkMessages& error(int code)
    {
        nlmsgerr error{};
        error.error = -code;
        return message(NLMSG_ERROR, bytes_of(error), 0);
    }

    NetlinkMessages& message(std::uint16_t type, const QByteArray& body, std::uint16_t flags)
    {
        nlmsghdr header{};
        header.nlmsg_len = NLMSG_LENGTH(static_cast<std::uint32_t>(body.size()));
        header.nlmsg_type = type;
        header.nlmsg_flags = flags;
        header.nlmsg_seq = 1;
        bytes_ += bytes_of(header);
        bytes_ += body;
        pad(bytes_, NLMSG_ALIGNTO);
        return *this;
    }

    const QByteArray& bytes() const { return bytes_; }

    template <typename T>
    static QByteArray bytes_of(const T& value)
    {
        return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
    }

    // Appends one attribute, its header stating `length` when given (to forge bad ones).
    static void attribute(QByteArray& body, std::uint16_t type, const QByteArray& payload,
                          std::optional<std::uint16_t> length = {})
    {
        pad(body, RTA_ALIGNTO);
        rtattr header{};
        header.rta_len = length.value_or(static_cast<std::uint16_t>(RTA_LENGTH(payload.size())));
        header.rta_type = type;
        body += bytes_of(header);
        body += payload;
        pad(body, RTA_ALIGNTO);
    }

private:
    static void pad(QByteArray& bytes, int alignment)
    {
        while (bytes.size() % alignment != 0)
            bytes.append('\0');
    }

    QByteArray bytes_;
};
