#include "DataFolder.h"
#include "EventLoop.h"
#include "LocalHttpsServer.h"
#include "TessaryProcess.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

TEST(Editing, commands_change_the_files_through_the_store)
{
    DataFolder folder;
    const auto tessary = [&](const char* arguments) {
        return run_tessary(QString::fromUtf8(arguments).split(u' ')
                           << u"--data-dir"_s << folder.path());
    };
    const auto saved = [&] {
        return DomainJson::decode_list(folder.read(u"domains.json"_s)).value();
    };
    ASSERT_EQ(tessary("add example.com --interval 30 --notify").exit_code, 0);
    ASSERT_EQ(tessary("add shop.example.org/a --inactive").exit_code, 0);
    ASSERT_EQ(saved().size(), 2);
    EXPECT_EQ(saved().at(0).interval_seconds, 30);
    EXPECT_TRUE(saved().at(0).notifies_on_anomalies);
    EXPECT_FALSE(saved().at(1).is_active);
    // Without options: every 120 s, a 48-hour lookback.
    EXPECT_EQ(saved().at(1).interval_seconds, 120);
    EXPECT_EQ(saved().at(1).max_history_hours, 48);

    EXPECT_EQ(tessary("pin shop.example.org").exit_code, 0);
    EXPECT_EQ(saved().first().url_string, u"https://shop.example.org/a"_s);
    EXPECT_TRUE(saved().first().is_pinned);

    const auto edit =
        tessary("edit example.com --url www.example.net --user-agent Bot/2 --no-notify");
    EXPECT_EQ(edit.exit_code, 0);
    EXPECT_EQ(edit.out, "Updated https://example.net\n"); // as stored
    const MonitoredDomain edited = saved().at(1);
    EXPECT_EQ(edited.url_string, u"https://example.net"_s);
    EXPECT_EQ(edited.user_agent, u"Bot/2"_s);
    EXPECT_FALSE(edited.notifies_on_anomalies);

    EXPECT_EQ(tessary("archive example.net").exit_code, 0);
    EXPECT_TRUE(saved().at(1).is_archived);
    EXPECT_EQ(tessary("remove shop.example.org --yes").exit_code, 0);
    EXPECT_EQ(saved().size(), 1);
}

// The socket systemd listens on for a Type=notify unit, as a test can read it.
class NotifySocket {
public:
    NotifySocket() : directory_(QStringLiteral("/tmp/tessary-notify-XXXXXX"))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = directory_.filePath(QStringLiteral("notify")).toLocal8Bit();
        if (path.size() < qsizetype(sizeof address.sun_path))
            std::copy(path.cbegin(), path.cend(), address.sun_path);
        fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            path_ = QString::fromLocal8Bit(path);
    }
    ~NotifySocket() { close(fd_); }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    // Empty when the socket could not be made.
    const QString& path() const { return path_; }

    // The next message, or an empty one when none arrives within `timeout_ms`.
    QByteArray next(int timeout_ms)
    {
        pollfd wanted{fd_, POLLIN, 0};
        char buffer[4096];
        const ssize_t size =
            poll(&wanted, 1, timeout_ms) == 1 ? recv(fd_, buffer, sizeof buffer, 0) : 0;
        return size > 0 ? QByteArray(buffer, qsizetype(size)) : QByteArray();
    }

private:
    QTemporaryDir directory_;
    QString path_;
    int fd_ = -1;
};

// A port nothing listens on at the moment.
quint16 free_port()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

QByteArray fetch_metrics(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write("GET /metrics HTTP/1.1\r\nHost: localhost\r\n\r\n");
    socket.waitForDisconnected(10'000);
    return socket.readAll();
}

// The monitor against the local HTTPS server, under a stand-in for systemd:
// measures, prints, serves its metrics, keeps every other writer out, tells
// systemd it is ready, alive and stopping, and flushes on SIGTERM. The unit's
// main process is the shell that execs it, as systemd's would be, so
// WATCHDOG_PID names it.
TEST(Monitor, measures_prints_and_leaves_the_history_on_sigterm)
{
    LocalHttpsServer server;
    ASSERT_TRUE(server.is_running()) << server.error().toStdString();
    server.serve("/generate_204", ServedResponse::with_status(204));
    server.serve("/", ServedResponse::with_status(200).header("X-Cache", "HIT"));

    DataFolder folder;
    QList<MonitoredDomain> domains;
    for (const char* site : {"a", "b"}) {
        MonitoredDomain& d = domains.emplace_back();
        d.id = QUuid::createUuid();
        QUrl url = server.url(u"/"_s, u"localhost"_s);
        url.setUserInfo(u"user:s3cret"_s);
        d.url_string = url.toString() + u"?token=abc123&site="_s + QLatin1String(site);
        d.interval_seconds = 20;
    }
    folder.write(u"domains.json"_s, DomainJson::encode_list(domains));

    NotifySocket systemd;
    ASSERT_FALSE(systemd.path().isEmpty());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TESSARY_CA_BUNDLE"_s, server.ca_file());
    environment.insert(u"TESSARY_PROBE_URL"_s, server.url(u"/generate_204"_s).toString());
    environment.insert(u"NOTIFY_SOCKET"_s, systemd.path());
    environment.insert(u"WATCHDOG_USEC"_s, u"1000000"_s);
    QProcess monitor;
    monitor.setProcessEnvironment(environment);
    const quint16 metrics_port = free_port();
    monitor.start(u"/bin/sh"_s, {u"-c"_s, u"export WATCHDOG_PID=$$; exec \"$0\" \"$@\""_s,
                                 QStringLiteral(TESSARY_EXECUTABLE), u"monitor"_s, u"--data-dir"_s,
                                 folder.path(), u"--metrics"_s, QString::number(metrics_port)});
    ASSERT_TRUE(monitor.waitForStarted());
    QByteArray printed;
    QList<QByteArray> told; // pings at half the watchdog interval
    const bool measured = wait_until(
        [&] {
            printed += monitor.readAllStandardOutput();
            for (QByteArray message; !(message = systemd.next(0)).isEmpty();)
                told.append(message);
            return printed.count("  200  ") >= 2 && told.size() >= 3;
        },
        20'000);
    ASSERT_TRUE(measured) << printed.constData() << monitor.readAllStandardError().constData();
    EXPECT_EQ(told.mid(0, 3), (QList<QByteArray>{"READY=1\nSTATUS=Monitoring 2 domains",
                                                 "WATCHDOG=1", "WATCHDOG=1"}));
    // Without the secrets, the two are told apart by their ids.
    const QByteArray metrics = fetch_metrics(metrics_port);
    const QByteArray url =
        server.url(u"/"_s, u"localhost"_s).toEncoded() + "?token=\u2026&site=\u2026";
    for (const MonitoredDomain& d : domains)
        EXPECT_TRUE(metrics.contains(
            "\ntessary_last_http_status{domain=\"localhost\",url=\"" + url + "\",id=\"" +
            d.id.toString(QUuid::WithoutBraces).toUpper().toUtf8() + "\"} 200\n"))
            << metrics.constData();
    EXPECT_FALSE(metrics.contains("s3cret") || metrics.contains("abc123"));

    const ProcessResult second = run_tessary({u"monitor"_s, u"--data-dir"_s, folder.path()});
    EXPECT_EQ(second.exit_code, 1);
    EXPECT_TRUE(
        second.err.contains(u"tessary monitor (process %1)"_s.arg(monitor.processId()).toUtf8()))
        << second.err.constData();

    monitor.terminate();
    QByteArray message;
    do
        message = systemd.next(10'000);
    while (message == "WATCHDOG=1");
    EXPECT_EQ(message, QByteArray("STOPPING=1"));
    ASSERT_TRUE(monitor.waitForFinished(10'000));
    EXPECT_TRUE(monitor.exitStatus() == QProcess::NormalExit && monitor.exitCode() == 0);
    EXPECT_EQ(systemd.next(300), QByteArray()) << "nothing once stopped";

    const auto history = HistoryJson::decode(folder.read(u"measurement_history.json"_s));
    ASSERT_TRUE(history) << history.error().to_string().toStdString();
    for (const MonitoredDomain& d : domains) {
        const QList<DomainMeasurement> measurements =
            history->value(d.id.toString(QUuid::WithoutBraces).toUpper());
        ASSERT_FALSE(measurements.isEmpty());
        EXPECT_EQ(measurements.first().http_status, 200);
        EXPECT_EQ(measurements.first().response_x_headers.value(u"x-cache"_s), u"HIT"_s);
    }
}

} // namespace
