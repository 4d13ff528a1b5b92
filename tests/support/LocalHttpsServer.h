#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <utility>

using HeaderList = QList<std::pair<QByteArray, QByteArray>>;

// What the server sends for one path.
struct ServedResponse {
    int status = 200;
    HeaderList headers;
    QByteArray body;
    // Wait this long before the first byte of the answer.
    int delay_ms = 0;
    // Accept the request and keep the connection open without ever answering.
    bool never_answer = false;

    static ServedResponse with_status(int status, QByteArray body = QByteArray());
    static ServedResponse delayed(int delay_ms, int status = 200);
    static ServedResponse silent();
    ServedResponse& header(QByteArray name, QByteArray value);
};

// One request as the server read it.
struct ReceivedRequest {
    QByteArray method;
    QByteArray target;
    HeaderList headers;
    // The number of the connection it came on (1 for the first accepted).
    int connection = 0;

    // The value of the last header of that name (any case); empty when none.
    QByteArray header(QByteArrayView name) const;
    bool has_header(QByteArrayView name) const;
};

// An HTTP/1.1 server on loopback for tests and benchmarks: HTTPS with a
// certificate from a certificate authority made when the server starts (valid
// for 127.0.0.1, ::1 and localhost), or plain HTTP. One thread serves every
// connection, so a thousand open connections cost no thousand threads.
// Unknown paths answer 404. Routes can change while the server runs.
class LocalHttpsServer {
public:
    enum class Scheme { https, http };

    explicit LocalHttpsServer(Scheme scheme = Scheme::https);
    // HTTPS with a server certificate valid until `certificate_validity` from now.
    explicit LocalHttpsServer(std::chrono::seconds certificate_validity);
    ~LocalHttpsServer();
    LocalHttpsServer(const LocalHttpsServer&) = delete;
    LocalHttpsServer& operator=(const LocalHttpsServer&) = delete;

    // False when the server could not start; error() says why.
    bool is_running() const;
    QString error() const;

    quint16 port() const;
    // The PEM file of the certificate authority (empty for plain HTTP).
    QString ca_file() const;
    // When the server's certificate expires (invalid for plain HTTP).
    QDateTime certificate_expires_at() const;
    // "https://127.0.0.1:PORT/path", or with another host such as "localhost".
    QUrl url(const QString& path, const QString& host = QStringLiteral("127.0.0.1")) const;

    void serve(const QByteArray& path, ServedResponse response);
    void serve_body(const QByteArray& path, const QByteArray& body,
                    const QByteArray& content_type = "application/json");
    void redirect(const QByteArray& path, const QByteArray& location, int status = 302);

    QList<ReceivedRequest> requests() const;
    // Those whose target is `path`.
    QList<ReceivedRequest> requests_for(QByteArrayView path) const;
    int connections_accepted() const;
    int open_connections() const;

    // A loopback port on which nothing listens, so connecting is refused.
    static quint16 refused_port();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
