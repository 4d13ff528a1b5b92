#include "MetricsServer.h"

#include <QTcpSocket>

#include <algorithm>
#include <arpa/inet.h>
#include <sys/socket.h>

namespace {

const char* const metrics_content_type = "text/plain; version=0.0.4; charset=utf-8";

const char* reason_phrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 421:
        return "Misdirected Request";
    case 431:
        return "Request Header Fields Too Large";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

// Where the head ends (the index just past its blank line), or -1. The first
// `searched` bytes held no blank line, so only one that ends after them is
// looked for: a client that sends a byte at a time costs no rescans.
qsizetype head_end(const QByteArray& bytes, qsizetype searched)
{
    const qsizetype from = std::max<qsizetype>(0, searched - 3);
    const qsizetype crlf = bytes.indexOf("\r\n\r\n", from);
    const qsizetype lf = bytes.indexOf("\n\n", from);
    if (crlf >= 0 && (lf < 0 || crlf < lf))
        return crlf + 4;
    return lf >= 0 ? lf + 2 : -1;
}

bool is_address(QByteArrayView text, int family)
{
    char buffer[sizeof(in6_addr)];
    const QByteArray terminated = text.toByteArray();
    return ::inet_pton(family, terminated.constData(), buffer) == 1;
}

// "" or ":" followed by digits.
bool is_port_suffix(QByteArrayView text)
{
    if (text.isEmpty())
        return true;
    return text.startsWith(':') &&
           std::all_of(text.begin() + 1, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A Host that no DNS name can stand for: an IP address or "localhost", with or
// without a port.
bool names_this_machine(QByteArrayView host)
{
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        return close > 0 && is_address(host.sliced(1, close - 1), AF_INET6) &&
               is_port_suffix(host.sliced(close + 1));
    }
    const qsizetype colon = host.indexOf(':');
    const QByteArrayView name = colon < 0 ? host : host.first(colon);
    return is_port_suffix(host.sliced(name.size())) &&
           (name.compare("localhost", Qt::CaseInsensitive) == 0 || is_address(name, AF_INET));
}

// The values of the header fields named Host, trimmed.
QList<QByteArrayView> host_fields(QByteArrayView fields)
{
    QList<QByteArrayView> hosts;
    while (!fields.isEmpty()) {
        const qsizetype end = fields.indexOf('\n');
        const QByteArrayView line = end < 0 ? fields : fields.first(end);
        fields = end < 0 ? QByteArrayView() : fields.sliced(end + 1);
        const qsizetype colon = line.indexOf(':');
        if (colon >= 0 && line.first(colon).compare("host", Qt::CaseInsensitive) == 0)
            hosts.append(line.sliced(colon + 1).trimmed());
    }
    return hosts;
}

} // namespace

MetricsServer::MetricsServer(Render render, Clock& clock, Limits limits, QObject* parent)
    : QObject(parent), render_(std::move(render)), clock_(clock), limits_(limits)
{
    server_.setMaxPendingConnections(limits_.max_connections);
    connect(&server_, &QTcpServer::newConnection, this, &MetricsServer::accept_connections);
}

Expected<MetricsListenAddress, QString> MetricsServer::listen(const MetricsListenAddress& address)
{
    if (!server_.listen(address.address, address.port))
        return QStringLiteral("Cannot serve metrics on %1: %2.")
            .arg(address.to_string(), server_.errorString());
    loopback_ = server_.serverAddress().isLoopback();
    return MetricsListenAddress{server_.serverAddress(), server_.serverPort()};
}

int MetricsServer::status_for(QByteArrayView head, bool loopback)
{
    qsizetype line_end = head.indexOf('\n');
    QByteArrayView line = line_end < 0 ? head : head.first(line_end);
    if (line.endsWith('\r'))
        line.chop(1);
    const qsizetype first_space = line.indexOf(' ');
    const qsizetype last_space = line.lastIndexOf(' ');
    if (first_space <= 0 || last_space <= first_space + 1)
        return 400;
    const QByteArrayView method = line.first(first_space);
    QByteArrayView target = line.sliced(first_space + 1, last_space - first_space - 1);
    const QByteArrayView version = line.sliced(last_space + 1);
    if (target.contains(' ') || !target.startsWith('/'))
        return 400;
    if (!version.startsWith("HTTP/") || version.size() != 8 || version[6] != '.')
        return 400;
    if (!version.startsWith("HTTP/1."))
        return 505;
    for (const char c : method) {
        if (c < 'A' || c > 'Z')
            return 400;
    }
    // HTTP/1.1 asks for exactly one Host; HTTP/1.0 may go without.
    const QList<QByteArrayView> hosts =
        host_fields(line_end < 0 ? QByteArrayView() : head.sliced(line_end + 1));
    if (hosts.size() > 1 || (hosts.isEmpty() && version != "HTTP/1.0"))
        return 400;
    if (loopback && !hosts.isEmpty() && !names_this_machine(hosts.first()))
        return 421;
    if (const qsizetype query = target.indexOf('?'); query >= 0)
        target = target.first(query);
    if (target != "/metrics")
        return 404;
    return method == "GET" ? 200 : 405;
}

void MetricsServer::accept_connections()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (connections_.size() >= std::size_t(limits_.max_connections) &&
            !evict_oldest_unanswered()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        Connection& connection = connections_[socket];
        connection.sequence = accepted_++;
        connection.deadline =
            clock_.call_after(limits_.head_timeout_ms, [this, socket] { time_out(socket); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read_request(socket); });
        // Queued: the socket may report it from inside a call of ours.
        connect(
            socket, &QTcpSocket::disconnected, this, [this, socket] { forget(socket); },
            Qt::QueuedConnection);
        read_request(socket);
    }
}

bool MetricsServer::evict_oldest_unanswered()
{
    auto oldest = connections_.end();
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (!it->second.answered &&
            (oldest == connections_.end() || it->second.sequence < oldest->second.sequence))
            oldest = it;
    }
    if (oldest == connections_.end())
        return false;
    QTcpSocket* socket = oldest->first;
    connections_.erase(oldest);
    // Without its signals, so no queued forget() can meet a later socket at the
    // same address.
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    return true;
}

void MetricsServer::read_request(QTcpSocket* socket)
{
    const auto found = connections_.find(socket);
    if (found == connections_.end())
        return;
    Connection& connection = found->second;
    if (connection.answered) {
        socket->readAll(); // a body or a second request: not read, not kept
        return;
    }
    // Never more than one byte past the limit is kept.
    const qsizetype searched = connection.head.size();
    connection.head += socket->read(limits_.max_head_bytes + 1 - searched);
    const qsizetype end = head_end(connection.head, searched);
    if (end >= 0 && end <= limits_.max_head_bytes)
        answer(socket, status_for(QByteArrayView(connection.head).first(end), loopback_));
    else if (connection.head.size() > limits_.max_head_bytes)
        answer(socket, 431);
}

void MetricsServer::answer(QTcpSocket* socket, int status)
{
    Connection& connection = connections_.at(socket);
    connection.answered = true;
    connection.head.clear();
    connection.head.squeeze();
    connection.deadline =
        clock_.call_after(limits_.answer_timeout_ms, [this, socket] { time_out(socket); });

    QByteArray body;
    QByteArray content_type = "text/plain; charset=utf-8";
    if (status == 200) {
        body = render_();
        content_type = metrics_content_type;
    } else {
        body = QByteArray(reason_phrase(status)) + '\n';
    }
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason_phrase(status) +
                          "\r\nContent-Type: " + content_type +
                          "\r\nContent-Length: " + QByteArray::number(body.size()) +
                          "\r\nConnection: close\r\n";
    if (status == 405)
        response += "Allow: GET\r\n";
    response += "\r\n";
    socket->write(response);
    socket->write(body);
    // Closing while the client still sends (an oversized head, a body) would
    // reset the connection and could destroy the answer in flight. So once the
    // answer is out only our side is shut; the client closes the connection,
    // and what it still sends is read and dropped until then.
    connect(socket, &QTcpSocket::bytesWritten, this, [socket] {
        if (socket->bytesToWrite() == 0)
            ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
    });
}

void MetricsServer::time_out(QTcpSocket* socket)
{
    const auto found = connections_.find(socket);
    if (found == connections_.end())
        return;
    if (found->second.answered)
        socket->abort();
    else
        answer(socket, 408);
}

void MetricsServer::forget(QTcpSocket* socket)
{
    if (connections_.erase(socket) > 0)
        socket->deleteLater();
}
