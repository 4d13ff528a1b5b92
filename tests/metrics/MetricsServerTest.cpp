#include "metrics/MetricsServer.h"

#include "EventLoop.h"
#include "ManualClock.h"
#include "metrics/MetricsListenAddress.h"

#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QByteArray metrics_body = "# HELP tessary_up Up.\n# TYPE tessary_up gauge\n";

class MetricsServing : public ::testing::Test {
protected:
    void start(MetricsServer::Limits limits = {})
    {
        server = std::make_unique<MetricsServer>([] { return metrics_body; }, clock, limits);
        const auto bound = server->listen({QHostAddress(QHostAddress::LocalHost), 0});
        ASSERT_TRUE(bound) << bound.error().toStdString();
        port = bound->port;
    }

    std::unique_ptr<QTcpSocket> connect_client()
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        EXPECT_TRUE(wait_until([&] { return socket->state() == QAbstractSocket::ConnectedState; }));
        return socket;
    }

    // Everything the server sent until it closed the connection.
    static QByteArray answer(QTcpSocket& socket)
    {
        QByteArray received;
        EXPECT_TRUE(wait_until([&] {
            received += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        }));
        return received + socket.readAll();
    }

    // A client that sends `request` and takes one byte of the answer and no
    // more, so it never sees the end and keeps its slot after the answer.
    std::unique_ptr<QTcpSocket> stubborn_client(const QByteArray& request)
    {
        auto socket = connect_client();
        socket->setReadBufferSize(1);
        socket->write(request);
        EXPECT_TRUE(wait_until([&] { return socket->bytesAvailable() > 0; }));
        return socket;
    }

    ManualClock clock;
    std::unique_ptr<MetricsServer> server;
    quint16 port = 0;
};

struct Exchange {
    const char* name;
    QByteArray request;
    QByteArray status_line;
    QByteArray contained;
};

class MetricsRequests : public MetricsServing, public ::testing::WithParamInterface<Exchange> {};

TEST_P(MetricsRequests, get_the_answer_for_their_method_and_path_then_the_close)
{
    const Exchange& e = GetParam();
    start();
    const auto client = connect_client();
    // In two parts, the second from inside the blank line that ends the head, so
    // the server sees the first alone and finds an end spread over two reads.
    client->write(e.request.chopped(3));
    ASSERT_TRUE(client->waitForBytesWritten(5000));
    wait_for(20);
    client->write(e.request.right(3));
    const QByteArray received = answer(*client);
    EXPECT_TRUE(received.startsWith(e.status_line + "\r\n")) << received.constData();
    EXPECT_TRUE(received.contains(e.contained)) << received.constData();
    EXPECT_TRUE(received.contains("\r\nConnection: close\r\n")) << received.constData();
}

const QByteArray filler_header = "GET /metrics HTTP/1.0\r\nX-Filler: ";
// Heads that end at the limit of 8 KiB and one byte past it.
QByteArray head_of_size(qsizetype size)
{
    return filler_header + QByteArray(size - filler_header.size() - 4, 'a') + "\r\n\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MetricsRequests,
    ::testing::Values(
        Exchange{"get_metrics", "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1:9464\r\n\r\n",
                 "HTTP/1.1 200 OK",
                 "Content-Type: text/plain; version=0.0.4; charset=utf-8\r\nContent-Length: " +
                     QByteArray::number(metrics_body.size()) + "\r\nConnection: close\r\n\r\n" +
                     metrics_body},
        Exchange{"post", "POST /metrics HTTP/1.1\r\nHost: localhost\r\nContent-Length: 2\r\n\r\n{}",
                 "HTTP/1.1 405 Method Not Allowed", "\r\nAllow: GET\r\n"},
        Exchange{"root", "GET / HTTP/1.0\r\n\r\n", "HTTP/1.1 404 Not Found", "Not Found\n"},
        Exchange{"rebound_name", "GET /metrics HTTP/1.1\r\nHost: rebound.example\r\n\r\n",
                 "HTTP/1.1 421 Misdirected Request", ""},
        Exchange{"not_http", "HELLO\r\n\r\n", "HTTP/1.1 400 Bad Request", ""},
        Exchange{"http_2", "GET /metrics HTTP/2.0\r\n\r\n",
                 "HTTP/1.1 505 HTTP Version Not Supported", ""},
        Exchange{"oversized_head", filler_header + QByteArray(9000, 'a'),
                 "HTTP/1.1 431 Request Header Fields Too Large", ""},
        Exchange{"head_ends_at_the_limit", head_of_size(8192), "HTTP/1.1 200 OK", metrics_body},
        Exchange{"head_ends_just_past_the_limit", head_of_size(8192 + 1),
                 "HTTP/1.1 431 Request Header Fields Too Large", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MetricsServing, a_head_and_its_answer_get_three_seconds_each)
{
    start();
    const auto idle = connect_client();
    idle->write("GET /metr");
    ASSERT_TRUE(wait_until([&] { return clock.pending_count() == 1; }));
    clock.advance_by(2'999);
    EXPECT_EQ(clock.ms_until_next(), 1) << "not yet timed out";
    clock.advance_by(1);
    EXPECT_TRUE(answer(*idle).startsWith("HTTP/1.1 408 Request Timeout\r\n"));

    const auto stubborn = stubborn_client("GET /metrics HTTP/1.0\r\n\r\n");
    EXPECT_EQ(clock.ms_until_next(), 3'000);
    clock.advance_by(3'000);
    EXPECT_TRUE(wait_until([&] { return clock.pending_count() == 0; })) << "let go";
}

// Idle clients cannot keep a scraper out: the oldest still sending its head
// makes room, one that has its answer does not.
TEST_F(MetricsServing, a_full_server_closes_the_oldest_client_without_a_complete_head)
{
    start({.max_connections = 3});
    const auto stubborn = stubborn_client("GET /metrics HTTP/1.0\r\n\r\n");
    const auto idle = connect_client();
    idle->write("GET /metr");
    const auto newer_idle = connect_client();
    ASSERT_TRUE(wait_until([&] { return clock.pending_count() == 3; }));
    const auto scraper = connect_client();
    EXPECT_TRUE(answer(*idle).isEmpty());
    EXPECT_EQ(newer_idle->state(), QAbstractSocket::ConnectedState);
    scraper->write("GET /metrics HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(answer(*scraper).endsWith(metrics_body));
}

TEST(MetricsHost, on_loopback_only_addresses_and_localhost_are_answered)
{
    // clang-format off
    const struct { const char* fields; bool loopback; int status; } cases[] = {
        {"Host: localhost", true, 200}, {"host:  LocalHost:9464 ", true, 200},
        {"Host: 127.0.0.1", true, 200}, {"Host: 127.0.0.1:9464", true, 200},
        {"Host: [::1]", true, 200}, {"Host: [::1]:9464", true, 200}, {"Host: 10.1.2.3:", true, 200},
        {"Host: rebound.example", true, 421}, {"Host: localhost.rebound.example", true, 421},
        {"Host: 127.0.0.1.nip.io:9464", true, 421}, {"Host: [::1", true, 421},
        {"Host: ::1", true, 421}, {"Host: localhost:94a", true, 421}, {"Host: ", true, 421},
        {"Host: rebound.example", false, 200}, {"X-Host: a\r\nHost: localhost", true, 200},
        {"", true, 400}, {"Host: localhost\r\nHost: localhost", true, 400}};
    // clang-format on
    for (const auto& c : cases) {
        const QByteArray head = QByteArray("GET /metrics HTTP/1.1\r\n") + c.fields;
        EXPECT_EQ(MetricsServer::status_for(head, c.loopback), c.status) << c.fields;
    }
    EXPECT_EQ(MetricsServer::status_for("GET /metrics HTTP/1.0", true), 200) << "no Host in 1.0";
}

// Loopback unless an address is given; no address: the text is refused.
TEST(MetricsListenAddress, is_loopback_unless_an_address_is_given)
{
    // clang-format off
    const struct { const char* text; const char* address; quint16 port; } cases[] = {
        {"9464", "127.0.0.1", 9464}, {":80", "127.0.0.1", 80}, {"localhost:80", "127.0.0.1", 80},
        {"0.0.0.0:9464", "0.0.0.0", 9464}, {"[::]:65535", "::", 65535}, {"[::1]:80", "::1", 80},
        {"", nullptr, 0}, {"0", nullptr, 0}, {"65536", nullptr, 0}, {"+9464", nullptr, 0},
        {"127.0.0.1", nullptr, 0}, {"::1:9464", nullptr, 0}, {"[127.0.0.1]:80", nullptr, 0},
        {"monitor.example:80", nullptr, 0}};
    // clang-format on
    for (const auto& c : cases) {
        const auto parsed = MetricsListenAddress::parse(QString::fromUtf8(c.text));
        if (c.address == nullptr) {
            ASSERT_FALSE(parsed) << c.text;
            EXPECT_TRUE(parsed.error().startsWith(QStringLiteral("--metrics needs a port")));
        } else {
            ASSERT_TRUE(parsed) << c.text;
            EXPECT_EQ(*parsed,
                      (MetricsListenAddress{QHostAddress(QString::fromUtf8(c.address)), c.port}));
        }
    }
}

} // namespace
