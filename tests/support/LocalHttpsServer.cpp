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
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
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

// Clients go by the code; the phrase only has to be there.
const char* reason_phrase(int status)
{
    return status < 300 ? "OK" : status < 400 ? "Redirect" : "Error";
}

void set_non_blocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// Binds a loopback listener; port 0 picks a free one.
int listen_on(int family, quint16 port)
{
    const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    int bound = -1;
    if (family == AF_INET) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else {
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &yes, sizeof yes);
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(port);
        address.sin6_addr = in6addr_loopback;
        bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    if (bound != 0 || listen(fd, 4096) != 0) {
        close(fd);
        return -1;
    }
    set_non_blocking(fd);
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
    Impl(Scheme scheme, std::chrono::seconds validity) : scheme_(scheme), validity_(validity) {}

    ~Impl()
    {
        if (thread_.joinable()) {
            stopping_ = true;
            wake();
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

    void wake()
    {
        const quint64 one = 1;
        [[maybe_unused]] const auto written = write(wake_fd_, &one, sizeof one);
    }

    Scheme scheme_;
    std::chrono::seconds validity_;
    QDateTime expires_at_;
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
    enum class State { handshake, reading, waiting, writing, stalled };

    struct Connection {
        int fd = -1;
        SSL* ssl = nullptr;
        int number = 0;
        State state = State::handshake;
        short wanted = POLLIN;
        QByteArray input;
        QByteArray output;
        qsizetype written = 0;
        qint64 answer_at_ms = 0;
        bool close_after_answer = false;
        bool closed = false;
        uint32_t registered = 0;
    };

    bool make_tls_context()
    {
        const std::optional<TestCertificates> certificates =
            TestCertificates::create(error_, validity_);
        if (!certificates)
            return false;
        expires_at_ = certificates->server_expires_at;
        ca_file_ = directory_.filePath(QStringLiteral("ca.pem"));
        QFile file(ca_file_);
        if (!file.open(QIODevice::WriteOnly) || file.write(certificates->ca_certificate_pem) !=
                                                    certificates->ca_certificate_pem.size()) {
            error_ = QStringLiteral("cannot write the CA file");
            return false;
        }
        file.close();

        context_ = SSL_CTX_new(TLS_server_method());
        BIO* cert_bio = BIO_new_mem_buf(certificates->server_certificate_pem.constData(),
                                        int(certificates->server_certificate_pem.size()));
        X509* cert = PEM_read_bio_X509(cert_bio, nullptr, nullptr, nullptr);
        BIO_free(cert_bio);
        BIO* key_bio = BIO_new_mem_buf(certificates->server_key_pem.constData(),
                                       int(certificates->server_key_pem.size()));
        EVP_PKEY* key = PEM_read_bio_PrivateKey(key_bio, nullptr, nullptr, nullptr);
        BIO_free(key_bio);
        const bool ok = context_ != nullptr && cert != nullptr && key != nullptr &&
                        SSL_CTX_use_certificate(context_, cert) == 1 &&
                        SSL_CTX_use_PrivateKey(context_, key) == 1;
        X509_free(cert);
        EVP_PKEY_free(key);
        if (!ok) {
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
            if (!answer_times_.empty())
                timeout_ms =
                    std::clamp<qint64>(answer_times_.begin()->first - now_ms(), 0, timeout_ms);
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
                    settle(found);
                }
            }
            const qint64 now = now_ms();
            while (!answer_times_.empty() && answer_times_.begin()->first <= now) {
                const auto [due, fd] = *answer_times_.begin();
                answer_times_.erase(answer_times_.begin());
                const auto found = connections_.find(fd);
                if (found == connections_.end() || found->second.state != State::waiting ||
                    found->second.answer_at_ms != due)
                    continue;
                found->second.state = State::writing;
                step(found->second);
                settle(found);
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

    // After a step: forget a closed connection, else poll for what it now waits for.
    void settle(std::unordered_map<int, Connection>::iterator found)
    {
        Connection& connection = found->second;
        if (connection.closed) {
            connections_.erase(found);
            return;
        }
        if (connection.state == State::waiting)
            answer_times_.emplace(connection.answer_at_ms, connection.fd);
        const uint32_t wanted = connection.state == State::waiting
                                    ? 0u
                                    : uint32_t(connection.wanted == POLLOUT ? EPOLLOUT : EPOLLIN);
        if (wanted != connection.registered) {
            watch(connection.fd, wanted, EPOLL_CTL_MOD);
            connection.registered = wanted;
        }
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
            } else {
                connection.state = State::reading;
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

    // Sets what to poll for after an OpenSSL call that could not go on.
    bool would_block(Connection& connection, int result)
    {
        if (connection.ssl == nullptr)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        const int error = SSL_get_error(connection.ssl, result);
        if (error == SSL_ERROR_WANT_READ) {
            connection.wanted = POLLIN;
            return true;
        }
        if (error == SSL_ERROR_WANT_WRITE) {
            connection.wanted = POLLOUT;
            return true;
        }
        ERR_clear_error();
        return false;
    }

    void step(Connection& connection)
    {
        if (connection.state == State::handshake) {
            const int result = SSL_accept(connection.ssl);
            if (result != 1) {
                if (!would_block(connection, result))
                    close_connection(connection);
                return;
            }
            connection.state = State::reading;
        }
        if (connection.state == State::reading || connection.state == State::stalled) {
            if (!read_available(connection)) {
                close_connection(connection);
                return;
            }
            if (connection.state == State::reading)
                take_request(connection);
        }
        if (connection.state == State::writing)
            write_answer(connection);
    }

    // Reads what is there; false at the end of the stream or on an error.
    bool read_available(Connection& connection)
    {
        char buffer[16384];
        for (;;) {
            const int result = connection.ssl != nullptr
                                   ? SSL_read(connection.ssl, buffer, sizeof buffer)
                                   : int(read(connection.fd, buffer, sizeof buffer));
            if (result > 0) {
                // A stalled connection only waits for the client to go away.
                if (connection.state != State::stalled)
                    connection.input.append(buffer, result);
                continue;
            }
            if (result < 0 && would_block(connection, result)) {
                if (connection.ssl == nullptr)
                    connection.wanted = POLLIN;
                return true;
            }
            if (connection.ssl != nullptr && result < 0)
                ERR_clear_error();
            return false;
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

        ServedResponse response;
        {
            std::lock_guard lock(mutex_);
            requests_.append(request);
            const qsizetype query = request.target.indexOf('?');
            const QByteArray path = query < 0 ? request.target : request.target.left(query);
            const auto route = routes_.constFind(path);
            if (route != routes_.cend()) {
                response = *route;
            } else {
                response.status = 404;
                response.body = "not found\n";
            }
        }
        if (response.never_answer) {
            connection.state = State::stalled;
            connection.wanted = POLLIN;
            return;
        }
        connection.close_after_answer = same_name(request.header("connection"), "close");
        connection.output = render(response);
        connection.written = 0;
        if (response.delay_ms > 0) {
            connection.state = State::waiting;
            connection.answer_at_ms = now_ms() + response.delay_ms;
        } else {
            connection.state = State::writing;
        }
    }

    static QByteArray render(const ServedResponse& response)
    {
        QByteArray text = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                          reason_phrase(response.status) + "\r\n";
        for (const auto& [name, value] : response.headers)
            text += name + ": " + value + "\r\n";
        const bool has_body = response.status != 204 && response.status != 304;
        if (has_body)
            text += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        text += "\r\n";
        if (has_body)
            text += response.body;
        return text;
    }

    void write_answer(Connection& connection)
    {
        while (connection.written < connection.output.size()) {
            const char* data = connection.output.constData() + connection.written;
            const int size = int(connection.output.size() - connection.written);
            const int result = connection.ssl != nullptr
                                   ? SSL_write(connection.ssl, data, size)
                                   : int(send(connection.fd, data, size, MSG_NOSIGNAL));
            if (result > 0) {
                connection.written += result;
                continue;
            }
            if (result < 0 && would_block(connection, result)) {
                if (connection.ssl == nullptr)
                    connection.wanted = POLLOUT;
                return;
            }
            close_connection(connection);
            return;
        }
        if (connection.close_after_answer) {
            if (connection.ssl != nullptr)
                SSL_shutdown(connection.ssl);
            close_connection(connection);
            return;
        }
        connection.state = State::reading;
        connection.wanted = POLLIN;
        connection.output.clear();
        // A pipelined request may already be waiting in the buffer.
        take_request(connection);
        if (connection.state == State::writing)
            write_answer(connection);
    }

    SSL_CTX* context_ = nullptr;
    std::vector<int> listeners_;
    int wake_fd_ = -1;
    int epoll_fd_ = -1;
    std::unordered_map<int, Connection> connections_;
    // When waiting connections are due to answer.
    std::multimap<qint64, int> answer_times_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// Every way start() can fail sets the error that is_running() goes by.
LocalHttpsServer::LocalHttpsServer(Scheme scheme)
    : impl_(std::make_unique<Impl>(scheme, std::chrono::hours(24)))
{
    impl_->start();
}

LocalHttpsServer::LocalHttpsServer(std::chrono::seconds certificate_validity)
    : impl_(std::make_unique<Impl>(Scheme::https, certificate_validity))
{
    impl_->start();
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

QDateTime LocalHttpsServer::certificate_expires_at() const
{
    return impl_->expires_at_;
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

QList<ReceivedRequest> LocalHttpsServer::requests_for(QByteArrayView path) const
{
    QList<ReceivedRequest> found = requests();
    found.removeIf([&](const ReceivedRequest& request) { return request.target != path; });
    return found;
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
