#pragma once

#include <QByteArray>

#include <cstdint>
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
        std::optional<int> output_interface{};
        std::uint8_t family = AF_INET;
        std::uint8_t destination_length = 0;
        std::uint8_t table = RT_TABLE_MAIN;
        std::optional<std::uint32_t> table_attribute{};
        std::uint8_t type = RTN_UNICAST;
        std::uint32_t flags = 0;
        // Interface and RTNH_F_* flags of each hop of a multipath route.
        std::vector<std::pair<int, std::uint8_t>> hops{};
    };

    static constexpr unsigned up_running = IFF_UP | IFF_RUNNING | IFF_LOWER_UP;

    NetlinkMessages& link(int index, unsigned flags, std::optional<std::uint8_t> state = {},
                          std::uint16_t message_flags = NLM_F_MULTI)
    {
        ifinfomsg info{};
        info.ifi_index = index;
        info.ifi_flags = flags;
        QByteArray body = bytes_of(info);
        attribute(body, IFLA_MTU, bytes_of(std::uint32_t{1500})); // one to skip
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
        header.rtm_flags = route.flags;
        QByteArray body = bytes_of(header);
        if (route.table_attribute)
            attribute(body, RTA_TABLE, bytes_of(*route.table_attribute));
        attribute(body, RTA_PRIORITY, bytes_of(std::uint32_t{100})); // one to skip
        if (route.output_interface)
            attribute(body, RTA_OIF, bytes_of(*route.output_interface));
        QByteArray hops;
        for (const auto& [index, flags] : route.hops)
            hops += bytes_of(rtnexthop{sizeof(rtnexthop), flags, 0, index});
        if (!hops.isEmpty())
            attribute(body, RTA_MULTIPATH, hops);
        return message(RTM_NEWROUTE, body, NLM_F_MULTI);
    }

    NetlinkMessages& done() { return message(NLMSG_DONE, bytes_of(0), NLM_F_MULTI); }
    NetlinkMessages& error(int code)
    {
        return message(NLMSG_ERROR, bytes_of(nlmsgerr{-code, {}}), 0);
    }

    NetlinkMessages& message(std::uint16_t type, const QByteArray& body, std::uint16_t flags)
    {
        const nlmsghdr header{NLMSG_LENGTH(std::uint32_t(body.size())), type, flags, 1, 0};
        bytes_ += bytes_of(header) + body;
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
        const rtattr header{length.value_or(std::uint16_t(RTA_LENGTH(payload.size()))), type};
        body += bytes_of(header) + payload;
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
