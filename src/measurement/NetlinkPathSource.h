#pragma once

#include "measurement/NetlinkSnapshot.h"
#include "measurement/NetlinkSocket.h"
#include "measurement/NetworkPathSource.h"
#include "model/Expected.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

// Watches the kernel's links, addresses and routes over rtnetlink. After every
// burst of events it reads the links and routes afresh and reports when the
// path (usable or not, and through which interfaces) has changed. Runs on the
// event loop of the thread that starts it.
//
// When the kernel cannot be asked at start-up, it reports a usable network:
// a watcher that sees nothing must not hold every measurement back for good.
class NetlinkPathSource final : public NetworkPathSource {
public:
    using SocketOpener = std::function<Expected<NetlinkSocket, int>(std::uint32_t groups)>;

    explicit NetlinkPathSource(SocketOpener open_socket = &NetlinkSocket::open);
    ~NetlinkPathSource() override;

    void start(Handler handler) override;

    // The links and routes right now, read through a socket of its own.
    static Expected<NetlinkSnapshot, int> read_snapshot(const SocketOpener& open_socket);

private:
    void on_events();
    void reevaluate();

    SocketOpener open_socket_;
    Handler handler_;
    std::optional<NetlinkSocket> events_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::optional<NetlinkSnapshot::Path> reported_;
};
