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

using namespace Qt::StringLiterals;

namespace {

class Editing : public ::testing::Test {
protected:
    ProcessResult tessary(QStringList arguments)
    {
        return run_tessary(arguments << u"--data-dir"_s << folder.path());
    }

    QList<MonitoredDomain> saved() const
    {
        return DomainJson::decode_list(folder.read(u"domains.json"_s)).value();
    }

    DataFolder folder;
};

TEST_F(Editing, commands_change_the_files_through_the_store)
{
    ASSERT_EQ(
        tessary({u"add"_s, u"example.com"_s, u"--interval"_s, u"30"_s, u"--notify"_s}).exit_code,
        0);
    ASSERT_EQ(tessary({u"add"_s, u"shop.example.org/a"_s, u"--inactive"_s}).exit_code, 0);
    ASSERT_EQ(saved().size(), 2);
    EXPECT_EQ(saved().at(0).interval_seconds, 30);
    EXPECT_TRUE(saved().at(0).notifies_on_anomalies);
    EXPECT_FALSE(saved().at(1).is_active);

    EXPECT_EQ(tessary({u"pin"_s, u"shop.example.org"_s}).exit_code, 0);
    EXPECT_EQ(saved().first().url_string, u"https://shop.example.org/a"_s);
    EXPECT_TRUE(saved().first().is_pinned);

    EXPECT_EQ(tessary({u"edit"_s, u"example.com"_s, u"--url"_s, u"www.example.net"_s,
                       u"--user-agent"_s, u"Bot/2"_s, u"--no-notify"_s})
                  .exit_code,
              0);
    const MonitoredDomain edited = saved().at(1);
    EXPECT_EQ(edited.url_string, u"https://example.net"_s);
    EXPECT_EQ(edited.user_agent, u"Bot/2"_s);
    EXPECT_FALSE(edited.notifies_on_anomalies);

    EXPECT_EQ(tessary({u"archive"_s, u"example.net"_s}).exit_code, 0);
    EXPECT_TRUE(saved().at(1).is_archived);
    const ProcessResult suggestions = tessary({u"suggestions"_s});
    EXPECT_TRUE(suggestions.out.contains("https://example.net  archived"))
        << suggestions.out.constData();
}

TEST_F(Editing, refusals_print_the_stores_message_and_change_nothing)
{
    ASSERT_EQ(tessary({u"add"_s, u"example.com"_s}).exit_code, 0);
    const QByteArray before = folder.read(u"domains.json"_s);

    const ProcessResult duplicate = tessary({u"add"_s, u"https://www.EXAMPLE.com"_s});
    EXPECT_EQ(duplicate.exit_code, 1);
    EXPECT_TRUE(duplicate.err.contains("This domain is already being monitored."))
        << duplicate.err.constData();

    const ProcessResult invalid = tessary({u"add"_s, u"not a url"_s});
    EXPECT_EQ(invalid.exit_code, 1);
    EXPECT_TRUE(invalid.err.contains("Enter a valid domain or URL."));

    const ProcessResult out_of_range = tessary({u"add"_s, u"b.example"_s, u"--interval"_s, u"5"_s});
    EXPECT_EQ(out_of_range.exit_code, 1);
    EXPECT_TRUE(out_of_range.err.contains("--interval must be a whole number from 20 to 86400"));
    const ProcessResult too_long = tessary({u"add"_s, u"b.example"_s, u"--lookback"_s, u"8761"_s});
    EXPECT_EQ(too_long.exit_code, 1);
    EXPECT_TRUE(too_long.err.contains("--lookback must be a whole number from 1 to 8760"));

    EXPECT_EQ(folder.read(u"domains.json"_s), before);
}

TEST_F(Editing, destructive_commands_need_a_yes_without_a_terminal)
{
    ASSERT_EQ(tessary({u"add"_s, u"example.com"_s}).exit_code, 0);
    const QByteArray before = folder.read(u"domains.json"_s);
    for (const QStringList& command :
         {QStringList{u"remove"_s, u"example.com"_s}, QStringList{u"clear"_s, u"--everything"_s},
          QStringList{u"clear"_s, u"--all-history"_s}, QStringList{u"archive"_s, u"--all"_s}}) {
        const ProcessResult refused = tessary(command);
        EXPECT_EQ(refused.exit_code, 1) << command.join(u' ').toStdString();
        EXPECT_TRUE(refused.err.contains("--yes")) << refused.err.constData();
    }
    EXPECT_EQ(folder.read(u"domains.json"_s), before);

    EXPECT_EQ(tessary({u"remove"_s, u"example.com"_s, u"--yes"_s}).exit_code, 0);
    EXPECT_TRUE(saved().isEmpty());
    const auto suggestions =
        SuggestionJson::decode_list(folder.read(u"deleted_domain_suggestions.json"_s));
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
        d.url_string =
            server.url(u"/"_s, u"localhost"_s).toString() + u"?site="_s + QLatin1String(site);
        d.interval_seconds = 20;
        domains.append(d);
    }
    folder.write(u"domains.json"_s, DomainJson::encode_list(domains));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TESSARY_CA_BUNDLE"_s, server.ca_file());
    environment.insert(u"TESSARY_PROBE_URL"_s, server.url(u"/generate_204"_s).toString());
    QProcess monitor;
    monitor.setProcessEnvironment(environment);
    const quint16 metrics_port = free_port();
    monitor.start(QStringLiteral(TESSARY_EXECUTABLE),
                  {u"monitor"_s, u"--data-dir"_s, folder.path(), u"--metrics"_s,
                   QString::number(metrics_port)});
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

    const ProcessResult second = run_tessary({u"monitor"_s, u"--data-dir"_s, folder.path()});
    EXPECT_EQ(second.exit_code, 1);
    EXPECT_TRUE(
        second.err.contains(u"tessary monitor (process %1)"_s.arg(monitor.processId()).toUtf8()))
        << second.err.constData();
    const ProcessResult edit =
        run_tessary({u"pin"_s, u"localhost"_s, u"--data-dir"_s, folder.path()});
    EXPECT_EQ(edit.exit_code, 1);

    monitor.terminate();
    ASSERT_TRUE(monitor.waitForFinished(10'000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), 0);

    const auto history = HistoryJson::decode(folder.read(u"measurement_history.json"_s));
    ASSERT_TRUE(history) << history.error().to_string().toStdString();
    for (const MonitoredDomain& d : domains) {
        const QList<DomainMeasurement> measurements =
            history->value(d.id.toString(QUuid::WithoutBraces).toUpper());
        ASSERT_FALSE(measurements.isEmpty());
        EXPECT_EQ(measurements.first().http_status, 200);
        EXPECT_EQ(measurements.first().response_x_headers.value(u"x-cache"_s), u"HIT"_s);
        EXPECT_TRUE(measurements.first().ssl_time.has_value());
        EXPECT_FALSE(measurements.first().is_local_network_issue);
    }
}

} // namespace
