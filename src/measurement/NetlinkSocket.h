#pragma once

#include "model/Expected.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

// An owned AF_NETLINK/NETLINK_ROUTE socket. Move-only; closes on destruction.
// Errors are errno values.
class NetlinkSocket {
public:
    // A non-blocking socket that receives the multicast groups in `groups`
    // (RTMGRP_* bits), or none for a socket used only for requests.
    static Expected<NetlinkSocket, int> open(std::uint32_t groups);

    NetlinkSocket(NetlinkSocket&& other) noexcept;
    NetlinkSocket& operator=(NetlinkSocket&& other) noexcept;
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;
    ~NetlinkSocket();

    int fd() const { return fd_; }

    // Receives every datagram waiting on the socket without blocking. Returns
    // how many arrived; a dropped backlog (ENOBUFS) counts as one, since
    // something happened that was not seen.
    int drain();

    // Sends a dump request of `type` (RTM_GETLINK, RTM_GETROUTE, ...) for all
    // address families and returns the kernel's reply datagrams, the last one
    // holding NLMSG_DONE or NLMSG_ERROR. Waits at most `timeout_ms` per datagram.
    Expected<std::vector<QByteArray>, int> dump(std::uint16_t type, int timeout_ms = 2000);

private:
    explicit NetlinkSocket(int fd) : fd_(fd) {}
    void close();

    int fd_ = -1;
    std::uint32_t next_sequence_ = 1;
};
