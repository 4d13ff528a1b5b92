#include "measurement/NetlinkPathSource.h"

#include <QSocketNotifier>

#include <cerrno>
#include <linux/rtnetlink.h>

namespace {

constexpr std::uint32_t watched_groups =
    RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;

// A dump that races with a change comes back marked interrupted; a retry or
// two then sees the settled state.
constexpr int snapshot_attempts = 3;

// Errors as values, with EIO for a reply that could not be read.
int read_dump(NetlinkSocket& socket, std::uint16_t type, NetlinkSnapshot& snapshot)
{
    auto datagrams = socket.dump(type);
    if (!datagrams)
        return datagrams.error();
    for (const QByteArray& datagram : *datagrams) {
        switch (snapshot.add_datagram(datagram)) {
        case NetlinkSnapshot::Progress::done:
            return 0;
        case NetlinkSnapshot::Progress::failed:
            return EIO;
        case NetlinkSnapshot::Progress::more:
            break;
        }
    }
    return EIO;
}

} // namespace

NetlinkPathSource::NetlinkPathSource(SocketOpener open_socket)
    : open_socket_(std::move(open_socket))
{}

NetlinkPathSource::~NetlinkPathSource() = default;

void NetlinkPathSource::start(Handler handler)
{
    handler_ = std::move(handler);
    // Subscribed before the first look, so no change can fall in between.
    auto events = open_socket_(watched_groups);
    if (!events) {
        reported_ = NetlinkSnapshot::Path{true, {}};
        handler_(true);
        return;
    }
    events_.emplace(std::move(*events));
    notifier_ = std::make_unique<QSocketNotifier>(events_->fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { on_events(); });
    reevaluate();
}

Expected<NetlinkSnapshot, int> NetlinkPathSource::read_snapshot(const SocketOpener& open_socket)
{
    int error = EIO;
    for (int attempt = 0; attempt < snapshot_attempts; ++attempt) {
        auto socket = open_socket(0);
        if (!socket)
            return socket.error();
        NetlinkSnapshot snapshot;
        error = read_dump(*socket, RTM_GETLINK, snapshot);
        if (error == 0)
            error = read_dump(*socket, RTM_GETROUTE, snapshot);
        if (error == 0)
            return snapshot;
    }
    return error;
}

void NetlinkPathSource::on_events()
{
    // One look per wake-up, however many events the burst held.
    if (events_->drain() > 0)
        reevaluate();
}

void NetlinkPathSource::reevaluate()
{
    const auto snapshot = read_snapshot(open_socket_);
    if (!snapshot) {
        // Nothing known yet: usable, as when the watcher cannot start. Later
        // failures keep the last state; the next event tries again.
        if (!reported_) {
            reported_ = NetlinkSnapshot::Path{true, {}};
            handler_(true);
        }
        return;
    }
    const NetlinkSnapshot::Path path = snapshot->path();
    if (reported_ == path)
        return;
    reported_ = path;
    handler_(path.usable);
}
