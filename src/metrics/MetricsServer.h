#pragma once

#include "metrics/MetricsListenAddress.h"
#include "model/Clock.h"
#include "model/Expected.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QTcpServer>

#include <functional>
#include <map>
#include <memory>

class QTcpSocket;

// A deliberately small HTTP/1.1 responder for Prometheus: GET /metrics answers
// with what `render` produces (the text format 0.0.4), any other method on it
// with 405 and any other path with 404. Every connection carries one request
// and is closed after the answer. A request head larger than the limit gets
// 431, a client that sends no complete head in time gets 408, and only a few
// connections are served at once, so no client can hold the monitor's memory or
// sockets. When all are taken, a new connection replaces the oldest one still
// sending its head, so idle clients cannot keep a scraper out.
//
// On a loopback address only requests for this machine are answered: a Host
// other than an IP address or "localhost" gets 421, so that a web page whose
// name was rebound to 127.0.0.1 cannot read the metrics through the browser.
class MetricsServer : public QObject {
    Q_OBJECT

public:
    struct Limits {
        qsizetype max_head_bytes = 8 * 1024;
        // From accepting a connection until its request head is complete.
        qint64 head_timeout_ms = 3'000;
        // From the request head until the answer has been taken.
        qint64 answer_timeout_ms = 3'000;
        int max_connections = 16;
    };

    using Render = std::function<QByteArray()>;

    MetricsServer(Render render, Clock& clock, Limits limits, QObject* parent = nullptr);
    MetricsServer(Render render, Clock& clock, QObject* parent = nullptr)
        : MetricsServer(std::move(render), clock, Limits(), parent)
    {}

    // A message for the user when the address cannot be bound.
    Expected<MetricsListenAddress, QString> listen(const MetricsListenAddress& address);

    // The status code for a complete request head (request line and header
    // fields, without the blank line): 200, 400, 404, 405, 421 or 505.
    // `loopback` says the server listens on a loopback address (the Host rule).
    static int status_for(QByteArrayView head, bool loopback);

private:
    struct Connection {
        // Counts the connections accepted before this one: the oldest has the least.
        quint64 sequence = 0;
        QByteArray head;
        bool answered = false;
        std::unique_ptr<ScheduledCall> deadline;
    };

    void accept_connections();
    // Closes the oldest connection still sending its head; false when there is none.
    bool evict_oldest_unanswered();
    void read_request(QTcpSocket* socket);
    void answer(QTcpSocket* socket, int status);
    void time_out(QTcpSocket* socket);
    void forget(QTcpSocket* socket);

    Render render_;
    Clock& clock_;
    Limits limits_;
    bool loopback_ = false;
    quint64 accepted_ = 0;
    QTcpServer server_;
    // After server_, so it goes first: the deadlines before the sockets, which
    // are the server's children.
    std::map<QTcpSocket*, Connection> connections_;
};
