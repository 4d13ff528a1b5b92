#include "LocalHttpsServer.h"

#include "TestCertificates.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

qint64 now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool same_name(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Binds a non-blocking loopback listener; port 0 picks a free one.
int listen_on(int family, quint16 port)
{
    const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    v6.sin6_addr = in6addr_loopback;
    if (family == AF_INET6)
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &yes, sizeof yes);
    const int bound = family == AF_INET ? bind(fd, reinterpret_cast<sockaddr*>(&v4), sizeof v4)
                                        : bind(fd, reinterpret_cast<sockaddr*>(&v6), sizeof v6);
    if (bound != 0 || listen(fd, 4096) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

quint16 local_port(int fd)
{
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

} // namespace

ServedResponse ServedResponse::with_status(int status, QByteArray body)
{
    ServedResponse response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

ServedResponse ServedResponse::delayed(int delay_ms, int status)
{
    ServedResponse response;
    response.status = status;
    response.delay_ms = delay_ms;
    return response;
}

ServedResponse ServedResponse::silent()
{
    ServedResponse response;
    response.never_answer = true;
    return response;
}

ServedResponse& ServedResponse::header(QByteArray name, QByteArray value)
{
    headers.append({std::move(name), std::move(value)});
    return *this;
}

QByteArray ReceivedRequest::header(QByteArrayView name) const
{
    for (auto it = headers.crbegin(); it != headers.crend(); ++it) {
        if (same_name(it->first, name))
            return it->second;
    }
    return QByteArray();
}

bool ReceivedRequest::has_header(QByteArrayView name) const
{
    return std::any_of(headers.cbegin(), headers.cend(),
                       [&](const auto& header) { return same_name(header.first, name); });
}

class LocalHttpsServer::Impl {
public:
    explicit Impl(Scheme scheme) : scheme_(scheme) {}

    ~Impl()
    {
        if (thread_.joinable()) {
            stopping_ = true;
            const quint64 one = 1;
            [[maybe_unused]] const auto written = write(wake_fd_, &one, sizeof one);
            thread_.join();
        }
        for (auto& [fd, connection] : connections_)
            close_connection(connection);
        for (int fd : listeners_)
            close(fd);
        if (wake_fd_ >= 0)
            close(wake_fd_);
        SSL_CTX_free(context_);
    }

    bool start()
    {
        if (scheme_ == Scheme::https && !make_tls_context())
            return false;
        const int v4 = listen_on(AF_INET, 0);
        if (v4 < 0) {
            error_ = QStringLiteral("cannot listen on 127.0.0.1");
            return false;
        }
        listeners_.push_back(v4);
        port_ = local_port(v4);
        // "localhost" may resolve to ::1 first; answering there too saves a fallback.
        if (const int v6 = listen_on(AF_INET6, port_); v6 >= 0)
            listeners_.push_back(v6);
        wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        thread_ = std::thread([this] { run(); });
        return true;
    }

    Scheme scheme_;
    QString error_;
    quint16 port_ = 0;
    QTemporaryDir directory_;
    QString ca_file_;

    mutable std::mutex mutex_;
    QHash<QByteArray, ServedResponse> routes_;
    QList<ReceivedRequest> requests_;
    std::atomic<int> accepted_{0};
    std::atomic<int> open_{0};

private:
    // Reads requests until one is answered; the answer (in `output`) goes out
    // once `answer_at_ms` has come, and then the next request is read.
    struct Connection {
        int fd = -1;
        SSL* ssl = nullptr;
        int number = 0;
        bool handshaken = false;
        bool stalled = false; // never answers; waits for the client to go away
        bool wants_write = false;
        bool close_after_answer = false;
        bool closed = false;
        QByteArray input;
        QByteArray output;
        qsizetype written = 0;
        qint64 answer_at_ms = 0;
        uint32_t registered = 0;
    };

    bool write_file(const QString& name, const QByteArray& content, QString& path)
    {
        path = directory_.filePath(name);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

    bool make_tls_context()
    {
        const std::optional<TestCertificates> certificates = TestCertificates::create(error_);
        if (!certificates)
            return false;
        QString certificate_file;
        QString key_file;
        if (!write_file(QStringLiteral("ca.pem"), certificates->ca_certificate_pem, ca_file_) ||
            !write_file(QStringLiteral("server.pem"), certificates->server_certificate_pem,
                        certificate_file) ||
            !write_file(QStringLiteral("key.pem"), certificates->server_key_pem, key_file)) {
            error_ = QStringLiteral("cannot write the certificate files");
            return false;
        }
        context_ = SSL_CTX_new(TLS_server_method());
        if (context_ == nullptr ||
            SSL_CTX_use_certificate_file(context_, certificate_file.toLocal8Bit().constData(),
                                         SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_use_PrivateKey_file(context_, key_file.toLocal8Bit().constData(),
                                        SSL_FILETYPE_PEM) != 1) {
            error_ = QStringLiteral("cannot set up the TLS context");
            return false;
        }
        SSL_CTX_set_mode(context_,
                         SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        return true;
    }

    void run()
    {
        epoll_fd_ = epoll_create1(EPOLL_CLOEXEC);
        for (int fd : listeners_)
            watch(fd, EPOLLIN, EPOLL_CTL_ADD);
        watch(wake_fd_, EPOLLIN, EPOLL_CTL_ADD);
        constexpr int max_events = 256;
        epoll_event events[max_events];
        while (!stopping_) {
            qint64 timeout_ms = 1000;
            for (const qint64 due : waiting_)
                timeout_ms = std::clamp<qint64>(due - now_ms(), 0, timeout_ms);
            const int count = epoll_wait(epoll_fd_, events, max_events, int(timeout_ms));
            for (int i = 0; i < count; ++i) {
                const int fd = events[i].data.fd;
                if (fd == wake_fd_) {
                    quint64 wakes = 0;
                    [[maybe_unused]] const auto read_bytes = read(wake_fd_, &wakes, sizeof wakes);
                } else if (std::find(listeners_.cbegin(), listeners_.cend(), fd) !=
                           listeners_.cend()) {
                    accept_all(fd);
                } else if (const auto found = connections_.find(fd); found != connections_.end()) {
                    step(found->second);
                }
            }
            // Answers whose delay is over, then what each connection now waits for.
            waiting_.clear();
            const qint64 now = now_ms();
            for (auto it = connections_.begin(); it != connections_.end();) {
                Connection& connection = it->second;
                if (!connection.output.isEmpty() && connection.answer_at_ms > 0 &&
                    connection.answer_at_ms <= now) {
                    connection.answer_at_ms = 0;
                    step(connection);
                }
                if (connection.closed) {
                    it = connections_.erase(it);
                    continue;
                }
                const bool waiting = !connection.output.isEmpty() && connection.answer_at_ms > 0;
                if (waiting)
                    waiting_.push_back(connection.answer_at_ms);
                const uint32_t wanted =
                    waiting ? 0u : uint32_t(connection.wants_write ? EPOLLOUT : EPOLLIN);
                if (wanted != connection.registered) {
                    watch(connection.fd, wanted, EPOLL_CTL_MOD);
                    connection.registered = wanted;
                }
                ++it;
            }
        }
        close(epoll_fd_);
    }

    void watch(int fd, uint32_t events, int operation)
    {
        epoll_event event{};
        event.events = events;
        event.data.fd = fd;
        epoll_ctl(epoll_fd_, operation, fd, &event);
    }

    void accept_all(int listener)
    {
        for (;;) {
            const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
                return;
            const int yes = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            Connection& connection = connections_[fd];
            connection.fd = fd;
            connection.number = ++accepted_;
            ++open_;
            if (scheme_ == Scheme::https) {
                connection.ssl = SSL_new(context_);
                SSL_set_fd(connection.ssl, fd);
                SSL_set_accept_state(connection.ssl);
            }
            connection.registered = EPOLLIN;
            watch(fd, EPOLLIN, EPOLL_CTL_ADD);
        }
    }

    void close_connection(Connection& connection)
    {
        if (connection.closed)
            return;
        if (connection.ssl != nullptr)
            SSL_free(connection.ssl);
        close(connection.fd);
        connection.closed = true;
        --open_;
    }

    // After a call that moved no bytes: whether it only has to wait (and for what).
    bool would_block(Connection& connection, int result, bool writing)
    {
        if (connection.ssl == nullptr) {
            connection.wants_write = writing;
            return result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
        const int error = SSL_get_error(connection.ssl, result);
        connection.wants_write = error == SSL_ERROR_WANT_WRITE;
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
            return true;
        ERR_clear_error();
        return false;
    }

    void step(Connection& connection)
    {
        if (connection.ssl != nullptr && !connection.handshaken) {
            const int result = SSL_accept(connection.ssl);
            if (result != 1) {
                if (!would_block(connection, result, false))
                    close_connection(connection);
                return;
            }
            connection.handshaken = true;
        }
        if (connection.output.isEmpty()) {
            char buffer[16384];
            for (;;) {
                const int result = connection.ssl != nullptr
                                       ? SSL_read(connection.ssl, buffer, sizeof buffer)
                                       : int(read(connection.fd, buffer, sizeof buffer));
                if (result <= 0) {
                    if (!would_block(connection, result, false))
                        close_connection(connection);
                    break;
                }
                if (!connection.stalled)
                    connection.input.append(buffer, result);
            }
            if (connection.closed || connection.stalled)
                return;
            take_request(connection);
        }
        // Answers as long as requests are waiting (a pipelined one may be).
        while (!connection.output.isEmpty() && connection.answer_at_ms == 0) {
            while (connection.written < connection.output.size()) {
                const char* data = connection.output.constData() + connection.written;
                const int size = int(connection.output.size() - connection.written);
                const int result = connection.ssl != nullptr
                                       ? SSL_write(connection.ssl, data, size)
                                       : int(send(connection.fd, data, size, MSG_NOSIGNAL));
                if (result <= 0) {
                    if (!would_block(connection, result, true))
                        close_connection(connection);
                    return;
                }
                connection.written += result;
            }
            if (connection.close_after_answer) {
                if (connection.ssl != nullptr)
                    SSL_shutdown(connection.ssl);
                close_connection(connection);
                return;
            }
            connection.output.clear();
            connection.written = 0;
            connection.wants_write = false;
            take_request(connection);
        }
    }

    void take_request(Connection& connection)
    {
        const qsizetype end = connection.input.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = connection.input.left(end).split('\n');
        connection.input.remove(0, end + 4);

        ReceivedRequest request;
        request.connection = connection.number;
        const QList<QByteArray> request_line = lines.value(0).trimmed().split(' ');
        request.method = request_line.value(0);
        request.target = request_line.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.append(
                    {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
        }

        ServedResponse response = ServedResponse::with_status(404, "not found\n");
        {
            std::lock_guard lock(mutex_);
            requests_.append(request);
            const qsizetype query = request.target.indexOf('?');
            response =
                routes_.value(query < 0 ? request.target : request.target.left(query), response);
        }
        if (response.never_answer) {
            connection.stalled = true;
            return;
        }
        connection.close_after_answer = same_name(request.header("connection"), "close");
        connection.output = "HTTP/1.1 " + QByteArray::number(response.status) + " Answer\r\n";
        for (const auto& [name, value] : response.headers)
            connection.output += name + ": " + value + "\r\n";
        const bool has_body = response.status != 204 && response.status != 304;
        if (has_body)
            connection.output += "Content-Length: " + QByteArray::number(response.body.size());
        connection.output += has_body ? "\r\n\r\n" : "\r\n";
        if (has_body && request.method != "HEAD")
            connection.output += response.body;
        connection.answer_at_ms = response.delay_ms > 0 ? now_ms() + response.delay_ms : 0;
    }

    SSL_CTX* context_ = nullptr;
    std::vector<int> listeners_;
    int wake_fd_ = -1;
    int epoll_fd_ = -1;
    std::unordered_map<int, Connection> connections_;
    // When the connections waiting out a delay are due to answer.
    std::vector<qint64> waiting_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

LocalHttpsServer::LocalHttpsServer(Scheme scheme) : impl_(std::make_unique<Impl>(scheme))
{
    if (!impl_->start() && impl_->error_.isEmpty())
        impl_->error_ = QStringLiteral("cannot start");
}

LocalHttpsServer::~LocalHttpsServer() = default;

bool LocalHttpsServer::is_running() const
{
    return impl_->error_.isEmpty();
}

QString LocalHttpsServer::error() const
{
    return impl_->error_;
}

quint16 LocalHttpsServer::port() const
{
    return impl_->port_;
}

QString LocalHttpsServer::ca_file() const
{
    return impl_->ca_file_;
}

QUrl LocalHttpsServer::url(const QString& path, const QString& host) const
{
    QUrl url;
    url.setScheme(impl_->scheme_ == Scheme::https ? QStringLiteral("https")
                                                  : QStringLiteral("http"));
    url.setHost(host);
    url.setPort(impl_->port_);
    url.setPath(path);
    return url;
}

void LocalHttpsServer::serve(const QByteArray& path, ServedResponse response)
{
    std::lock_guard lock(impl_->mutex_);
    impl_->routes_.insert(path, std::move(response));
}

void LocalHttpsServer::serve_body(const QByteArray& path, const QByteArray& body,
                                  const QByteArray& content_type)
{
    serve(path, ServedResponse::with_status(200, body).header("Content-Type", content_type));
}

void LocalHttpsServer::redirect(const QByteArray& path, const QByteArray& location, int status)
{
    serve(path, ServedResponse::with_status(status).header("Location", location));
}

QList<ReceivedRequest> LocalHttpsServer::requests() const
{
    std::lock_guard lock(impl_->mutex_);
    return impl_->requests_;
}

int LocalHttpsServer::connections_accepted() const
{
    return impl_->accepted_;
}

int LocalHttpsServer::open_connections() const
{
    return impl_->open_;
}

quint16 LocalHttpsServer::refused_port()
{
    const int fd = listen_on(AF_INET, 0);
    if (fd < 0)
        return 9;
    const quint16 port = local_port(fd);
    close(fd);
    return port;
}
