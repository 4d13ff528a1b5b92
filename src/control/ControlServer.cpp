#include "control/ControlServer.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// One accepted connection: its buffers, its notifiers and its deadline.
class ControlServer::Connection final : public QObject {
public:
    explicit Connection(int fd)
        : fd(fd), readable(fd, QSocketNotifier::Read, this),
          writable(fd, QSocketNotifier::Write, this)
    {
        writable.setEnabled(false);
    }
    ~Connection() override { hang_up(); }

    void hang_up()
    {
        readable.setEnabled(false);
        writable.setEnabled(false);
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    int fd;
    QSocketNotifier readable;
    QSocketNotifier writable;
    QByteArray input;
    QByteArray output;
    std::unique_ptr<ScheduledCall> deadline;
};

namespace {

std::optional<sockaddr_un> socket_address(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.size() >= qsizetype(sizeof address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return address;
}

QString system_error(const char* what, const QString& path)
{
    return QStringLiteral("cannot %1 %2: %3")
        .arg(QLatin1String(what), path, QString::fromLocal8Bit(strerror(errno)));
}

// Reads what has arrived; false when the peer hung up or failed.
bool read_available(int fd, QByteArray& input)
{
    char buffer[4096];
    while (input.size() <= ControlMessage::max_size) {
        const ssize_t size = ::read(fd, buffer, sizeof buffer);
        if (size > 0)
            input.append(buffer, qsizetype(size));
        else if (size == 0 || errno != EINTR)
            return size < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

// Writes what the socket takes; false when the peer is gone.
bool write_available(int fd, QByteArray& output)
{
    while (!output.isEmpty()) {
        const ssize_t size = ::send(fd, output.constData(), size_t(output.size()), MSG_NOSIGNAL);
        if (size > 0)
            output.remove(0, qsizetype(size));
        else if (errno != EINTR)
            return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    return true;
}

} // namespace

ControlServer::ControlServer(Handler handler, Settings settings)
    : handler_(std::move(handler)), settings_(std::move(settings))
{}

ControlServer::ControlServer(Handler handler)
    : ControlServer(std::move(handler), Settings::on(Clock::system()))
{}

ControlServer::~ControlServer()
{
    close();
}

std::optional<QString> ControlServer::listen(const QString& path)
{
    close();
    const auto address = socket_address(path);
    if (!address)
        return QStringLiteral("the socket path %1 is too long").arg(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return system_error("make a socket for", path);
    ::unlink(address->sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::chmod(address->sun_path, 0600) != 0 || ::listen(fd, 16) != 0) {
        const QString error = system_error("listen at", path);
        ::close(fd);
        return error;
    }
    struct stat status {};
    ::stat(address->sun_path, &status);
    listen_fd_ = fd;
    listening_inode_ = status.st_ino;
    path_ = path;
    listen_notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(listen_notifier_.get(), &QSocketNotifier::activated, this,
            &ControlServer::accept_connections);
    return std::nullopt;
}

void ControlServer::close()
{
    if (listen_fd_ < 0)
        return;
    listen_notifier_.reset();
    ::close(listen_fd_);
    listen_fd_ = -1;
    // Only our own socket: never one a later holder made in its place.
    const QByteArray path = QFile::encodeName(path_);
    struct stat status {};
    if (::stat(path.constData(), &status) == 0 && status.st_ino == listening_inode_)
        ::unlink(path.constData());
}

void ControlServer::accept_connections()
{
    for (;;) {
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (settings_.peer_uid(fd) != ::getuid()) {
            ::close(fd);
            continue;
        }
        const quint64 id = ++connection_serial_;
        auto connection = std::make_unique<Connection>(fd);
        Connection& c = *connection;
        connections_.emplace(id, std::move(connection));
        c.deadline = settings_.clock->call_after(settings_.deadline_ms, [this, id] { drop(id); });
        connect(&c.readable, &QSocketNotifier::activated, this, [this, &c, id] {
            const bool open = read_available(c.fd, c.input);
            const qsizetype end = c.input.indexOf('\n');
            if (end >= 0 && end < ControlMessage::max_size)
                answer(id, c, c.input.left(end + 1));
            else if (!open || c.input.size() >= ControlMessage::max_size)
                drop(id);
        });
        connect(&c.writable, &QSocketNotifier::activated, this, [this, &c, id] {
            if (!write_available(c.fd, c.output) || c.output.isEmpty())
                drop(id);
        });
    }
}

void ControlServer::answer(quint64 id, Connection& connection, const QByteArray& line)
{
    connection.readable.setEnabled(false);
    const auto request = ControlMessage::decode_request(line);
    if (!request) {
        drop(id);
        return;
    }
    // The handler may close the server, never its connections.
    connection.output = ControlMessage::encode(handler_(*request));
    if (!write_available(connection.fd, connection.output) || connection.output.isEmpty())
        drop(id);
    else
        connection.writable.setEnabled(true);
}

void ControlServer::drop(quint64 id)
{
    const auto found = connections_.find(id);
    if (found == connections_.end())
        return;
    Connection* connection = found->second.release();
    connections_.erase(found);
    // The peer sees the end at once; the object goes later, since this may
    // run inside one of its notifiers' signals. (A clock's call may end itself.)
    connection->hang_up();
    connection->deadline.reset();
    connection->deleteLater();
}
