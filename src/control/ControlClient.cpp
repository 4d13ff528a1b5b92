#include "control/ControlClient.h"

#include "control/PeerCredentials.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Failure = ControlClient::Failure;

// Closes the socket however the exchange ends.
class Socket {
public:
    Socket() : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {}
    ~Socket()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Waits for `events` until the deadline; a signal only wakes it up early.
bool wait_for(int fd, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return false;
        pollfd wanted{fd, events, 0};
        const int ready = ::poll(&wanted, 1, int(remaining));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

// A socket path that fits, and only a holder of our own user.
bool connect_to(int fd, const QString& path, const QDeadlineTimer& deadline)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    if (fd < 0 || encoded.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    // A full backlog refuses a local connection at once (EAGAIN) rather than
    // queueing it: the holder is busy, not absent, so try again until the deadline.
    while (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if ((errno != EAGAIN && errno != EINTR) || deadline.remainingTime() <= 0)
            return false;
        ::poll(nullptr, 0, 10);
    }
    return PeerCredentials::socket_peer_uid(fd) == ::getuid();
}

bool send_all(int fd, QByteArray bytes, const QDeadlineTimer& deadline)
{
    while (!bytes.isEmpty()) {
        const ssize_t sent = ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
        if (sent > 0)
            bytes.remove(0, qsizetype(sent));
        else if (errno != EINTR && (errno != EAGAIN || !wait_for(fd, POLLOUT, deadline)))
            return false;
    }
    return true;
}

// The answer line, at most a message's bound; empty when none came in time.
QByteArray receive_line(int fd, const QDeadlineTimer& deadline)
{
    QByteArray received;
    char buffer[4096];
    while (!received.contains('\n') && received.size() < ControlMessage::max_size) {
        const ssize_t size = ::read(fd, buffer, sizeof buffer);
        if (size > 0)
            received.append(buffer, qsizetype(size));
        else if (size == 0 || (errno != EINTR && errno != EAGAIN) ||
                 (errno == EAGAIN && !wait_for(fd, POLLIN, deadline)))
            return {};
    }
    const qsizetype end = received.indexOf('\n');
    return end >= 0 ? received.left(end + 1) : QByteArray();
}

} // namespace

Expected<ControlAnswer, Failure>
ControlClient::exchange(const QString& socket_path, const ControlRequest& request, int timeout_ms)
{
    const QDeadlineTimer deadline(timeout_ms);
    const Socket socket;
    if (!connect_to(socket.fd(), socket_path, deadline))
        return Failure::no_holder;
    if (!send_all(socket.fd(), ControlMessage::encode(request), deadline))
        return Failure::no_holder;
    const auto answer = ControlMessage::decode_answer(receive_line(socket.fd(), deadline));
    if (!answer)
        return Failure::no_answer;
    return *answer;
}
