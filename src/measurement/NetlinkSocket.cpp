#include "measurement/NetlinkSocket.h"

#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

// Large enough for any dump datagram the kernel sends (it caps them at 32 KiB
// unless asked otherwise); a truncated one is reported as EMSGSIZE.
constexpr std::size_t receive_buffer_size = 64 * 1024;

bool has_message_type(const QByteArray& datagram, std::uint16_t type)
{
    std::size_t offset = 0;
    const auto size = static_cast<std::size_t>(datagram.size());
    while (offset + sizeof(nlmsghdr) <= size) {
        nlmsghdr header;
        std::memcpy(&header, datagram.constData() + offset, sizeof header);
        if (header.nlmsg_type == type)
            return true;
        if (header.nlmsg_len < sizeof(nlmsghdr))
            return false;
        offset += NLMSG_ALIGN(header.nlmsg_len);
    }
    return false;
}

} // namespace

Expected<NetlinkSocket, int> NetlinkSocket::open(std::uint32_t groups)
{
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0)
        return errno;
    NetlinkSocket socket(fd);
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = groups;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return errno;
    return socket;
}

NetlinkSocket::NetlinkSocket(NetlinkSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), next_sequence_(other.next_sequence_)
{}

NetlinkSocket& NetlinkSocket::operator=(NetlinkSocket&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        next_sequence_ = other.next_sequence_;
    }
    return *this;
}

NetlinkSocket::~NetlinkSocket()
{
    close();
}

void NetlinkSocket::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int NetlinkSocket::drain()
{
    int count = 0;
    char buffer[4096];
    for (;;) {
        const ssize_t received = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (received >= 0) {
            ++count;
        } else if (errno == ENOBUFS) {
            ++count;
        } else if (errno != EINTR) {
            return count;
        }
    }
}

Expected<std::vector<QByteArray>, int> NetlinkSocket::dump(std::uint16_t type, int timeout_ms)
{
    struct {
        nlmsghdr header;
        rtgenmsg body;
    } request{};
    const std::uint32_t sequence = next_sequence_++;
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtgenmsg));
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = sequence;
    request.body.rtgen_family = AF_UNSPEC;

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd_, &request, request.header.nlmsg_len, 0,
                 reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) < 0)
        return errno;

    std::vector<QByteArray> datagrams;
    QByteArray buffer(receive_buffer_size, Qt::Uninitialized);
    for (;;) {
        pollfd readable{fd_, POLLIN, 0};
        const int ready = ::poll(&readable, 1, timeout_ms);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return errno;
        if (ready == 0)
            return ETIMEDOUT;

        sockaddr_nl sender{};
        iovec vector{buffer.data(), static_cast<std::size_t>(buffer.size())};
        msghdr message{};
        message.msg_name = &sender;
        message.msg_namelen = sizeof sender;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        const ssize_t received = ::recvmsg(fd_, &message, MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return errno;
        }
        if ((message.msg_flags & MSG_TRUNC) != 0)
            return EMSGSIZE;
        // Only the kernel answers; anything else on the socket is ignored.
        if (sender.nl_pid != 0)
            continue;
        QByteArray datagram(buffer.constData(), static_cast<qsizetype>(received));
        // Replies to an earlier, abandoned request are skipped by sequence number.
        if (static_cast<std::size_t>(received) >= sizeof(nlmsghdr)) {
            nlmsghdr first;
            std::memcpy(&first, datagram.constData(), sizeof first);
            if (first.nlmsg_seq != sequence)
                continue;
        }
        const bool last =
            has_message_type(datagram, NLMSG_DONE) || has_message_type(datagram, NLMSG_ERROR);
        datagrams.push_back(std::move(datagram));
        if (last)
            return datagrams;
    }
}
