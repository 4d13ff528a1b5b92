#include "DataFolder.h"
#include "EventLoop.h"
#include "LocalHttpsServer.h"
#include "TessaryProcess.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/SuggestionJson.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace {

class Editing : public ::testing::Test {
protected:
    ProcessResult tessary(QStringList arguments)
    {
        return run_tessary(arguments << QStringLiteral("--data-dir") << folder.path());
    }

    QList<MonitoredDomain> saved() const
    {
        return DomainJson::decode_list(folder.read(QStringLiteral("domains.json"))).value();
    }

    DataFolder folder;
};

TEST_F(Editing, commands_change_the_files_through_the_store)
{
    ASSERT_EQ(
        tessary({QStringLiteral("add"), QStringLiteral("example.com"), QStringLiteral("--interval"),
                 QStringLiteral("30"), QStringLiteral("--notify")})
            .exit_code,
        0);
    ASSERT_EQ(tessary({QStringLiteral("add"), QStringLiteral("shop.example.org/a"),
                       QStringLiteral("--inactive")})
                  .exit_code,
              0);
    ASSERT_EQ(saved().size(), 2);
    EXPECT_EQ(saved().at(0).interval_seconds, 30);
    EXPECT_TRUE(saved().at(0).notifies_on_anomalies);
    EXPECT_FALSE(saved().at(1).is_active);

    EXPECT_EQ(tessary({QStringLiteral("pin"), QStringLiteral("shop.example.org")}).exit_code, 0);
    EXPECT_EQ(saved().first().url_string, QStringLiteral("https://shop.example.org/a"));
    EXPECT_TRUE(saved().first().is_pinned);

    EXPECT_EQ(
        tessary({QStringLiteral("edit"), QStringLiteral("example.com"), QStringLiteral("--url"),
                 QStringLiteral("www.example.net"), QStringLiteral("--user-agent"),
                 QStringLiteral("Bot/2"), QStringLiteral("--no-notify")})
            .exit_code,
        0);
    const MonitoredDomain edited = saved().at(1);
    EXPECT_EQ(edited.url_string, QStringLiteral("https://example.net"));
    EXPECT_EQ(edited.user_agent, QStringLiteral("Bot/2"));
    EXPECT_FALSE(edited.notifies_on_anomalies);

    EXPECT_EQ(tessary({QStringLiteral("archive"), QStringLiteral("example.net")}).exit_code, 0);
    EXPECT_TRUE(saved().at(1).is_archived);
    const ProcessResult suggestions = tessary({QStringLiteral("suggestions")});
    EXPECT_TRUE(suggestions.out.contains("https://example.net  archived"))
        << suggestions.out.constData();
}

TEST_F(Editing, refusals_print_the_stores_message_and_change_nothing)
{
    ASSERT_EQ(tessary({QStringLiteral("add"), QStringLiteral("example.com")}).exit_code, 0);
    const QByteArray before = folder.read(QStringLiteral("domains.json"));

    const ProcessResult duplicate =
        tessary({QStringLiteral("add"), QStringLiteral("https://www.EXAMPLE.com")});
    EXPECT_EQ(duplicate.exit_code, 1);
    EXPECT_TRUE(duplicate.err.contains("This domain is already being monitored."))
        << duplicate.err.constData();

    const ProcessResult invalid = tessary({QStringLiteral("add"), QStringLiteral("not a url")});
    EXPECT_EQ(invalid.exit_code, 1);
    EXPECT_TRUE(invalid.err.contains("Enter a valid domain or URL."));

    const ProcessResult out_of_range = tessary({QStringLiteral("add"), QStringLiteral("b.example"),
                                                QStringLiteral("--interval"), QStringLiteral("5")});
    EXPECT_EQ(out_of_range.exit_code, 1);
    EXPECT_TRUE(out_of_range.err.contains("--interval must be a whole number from 20 to 86400"));

    EXPECT_EQ(folder.read(QStringLiteral("domains.json")), before);
}

TEST_F(Editing, destructive_commands_need_a_yes_without_a_terminal)
{
    ASSERT_EQ(tessary({QStringLiteral("add"), QStringLiteral("example.com")}).exit_code, 0);
    const QByteArray before = folder.read(QStringLiteral("domains.json"));
    for (const QStringList& command :
         {QStringList{QStringLiteral("remove"), QStringLiteral("example.com")},
          QStringList{QStringLiteral("clear"), QStringLiteral("--everything")},
          QStringList{QStringLiteral("clear"), QStringLiteral("--all-history")},
          QStringList{QStringLiteral("archive"), QStringLiteral("--all")}}) {
        const ProcessResult refused = tessary(command);
        EXPECT_EQ(refused.exit_code, 1) << command.join(u' ').toStdString();
        EXPECT_TRUE(refused.err.contains("--yes")) << refused.err.constData();
    }
    EXPECT_EQ(folder.read(QStringLiteral("domains.json")), before);

    EXPECT_EQ(
        tessary({QStringLiteral("remove"), QStringLiteral("example.com"), QStringLiteral("--yes")})
            .exit_code,
        0);
    EXPECT_TRUE(saved().isEmpty());
    const auto suggestions =
        SuggestionJson::decode_list(folder.read(QStringLiteral("deleted_domain_suggestions.json")));
    ASSERT_TRUE(suggestions);
    EXPECT_EQ(suggestions->size(), 1);
}

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
    QByteArray received;
    wait_until([&] {
        received += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    });
    return received + socket.readAll();
}

// The monitor against the local HTTPS server: measures, prints, serves its
// metrics, flushes on SIGTERM, and keeps every other writer out meanwhile.
TEST(Monitor, measures_prints_and_leaves_the_history_on_sigterm)
{
    LocalHttpsServer server;
    ASSERT_TRUE(server.is_running()) << server.error().toStdString();
    server.serve("/generate_204", ServedResponse::with_status(204));
    server.serve("/", ServedResponse::with_status(200).header("X-Cache", "HIT"));

    DataFolder folder;
    QList<MonitoredDomain> domains;
    for (const char* site : {"a", "b"}) {
        MonitoredDomain d;
        d.id = QUuid::createUuid();
        d.url_string = server.url(QStringLiteral("/"), QStringLiteral("localhost")).toString() +
                       QStringLiteral("?site=") + QLatin1String(site);
        d.interval_seconds = 20;
        domains.append(d);
    }
    folder.write(QStringLiteral("domains.json"), DomainJson::encode_list(domains));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESSARY_CA_BUNDLE"), server.ca_file());
    environment.insert(QStringLiteral("TESSARY_PROBE_URL"),
                       server.url(QStringLiteral("/generate_204")).toString());
    QProcess monitor;
    monitor.setProcessEnvironment(environment);
    const quint16 metrics_port = free_port();
    monitor.start(QStringLiteral(TESSARY_EXECUTABLE),
                  {QStringLiteral("monitor"), QStringLiteral("--data-dir"), folder.path(),
                   QStringLiteral("--metrics"), QString::number(metrics_port)});
    ASSERT_TRUE(monitor.waitForStarted());
    QByteArray printed;
    const bool measured = wait_until(
        [&] {
            printed += monitor.readAllStandardOutput();
            return printed.count("  200  ") >= 2;
        },
        20'000);
    ASSERT_TRUE(measured) << printed.constData() << monitor.readAllStandardError().constData();
    EXPECT_TRUE(printed.contains("localhost")) << printed.constData();
    const QByteArray metrics = fetch_metrics(metrics_port);
    EXPECT_TRUE(metrics.startsWith("HTTP/1.1 200 OK\r\n")) << metrics.constData();
    for (const MonitoredDomain& d : domains) {
        const QByteArray labels = "{domain=\"localhost\",url=\"" + d.url_string.toUtf8() + "\"} ";
        EXPECT_TRUE(metrics.contains("\ntessary_up" + labels + "1\n")) << metrics.constData();
        EXPECT_TRUE(metrics.contains("\ntessary_last_http_status" + labels + "200\n"));
    }

    const ProcessResult second =
        run_tessary({QStringLiteral("monitor"), QStringLiteral("--data-dir"), folder.path()});
    EXPECT_EQ(second.exit_code, 1);
    EXPECT_TRUE(second.err.contains(
        QStringLiteral("tessary monitor (process %1)").arg(monitor.processId()).toUtf8()))
        << second.err.constData();
    const ProcessResult edit = run_tessary({QStringLiteral("pin"), QStringLiteral("localhost"),
                                            QStringLiteral("--data-dir"), folder.path()});
    EXPECT_EQ(edit.exit_code, 1);

    monitor.terminate();
    ASSERT_TRUE(monitor.waitForFinished(10'000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), 0);

    const auto history =
        HistoryJson::decode(folder.read(QStringLiteral("measurement_history.json")));
    ASSERT_TRUE(history) << history.error().to_string().toStdString();
    for (const MonitoredDomain& d : domains) {
        const QList<DomainMeasurement> measurements =
            history->value(d.id.toString(QUuid::WithoutBraces).toUpper());
        ASSERT_FALSE(measurements.isEmpty());
        EXPECT_EQ(measurements.first().http_status, 200);
        EXPECT_EQ(measurements.first().response_x_headers.value(QStringLiteral("x-cache")),
                  QStringLiteral("HIT"));
        EXPECT_TRUE(measurements.first().ssl_time.has_value());
        EXPECT_FALSE(measurements.first().is_local_network_issue);
    }
}

} // namespace
