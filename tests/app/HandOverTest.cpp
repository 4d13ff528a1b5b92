#include "DataFolder.h"
#include "EventLoop.h"
#include "ForwardedCommand.h"
#include "LocalHttpsServer.h"
#include "StoreFixture.h"
#include "TessaryProcess.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/StoreLock.h"

#include <QDateTime>
#include <QHash>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using ForwardedCommandTest = StoreFixture;

// The holder runs the command's own code on its store; a confirmation that
// --yes did not give comes back as a question, with nothing changed.
TEST_F(ForwardedCommandTest, runs_the_command_on_the_running_store_and_hands_back_questions)
{
    open();
    const auto run = [&](const char* command, const QStringList& arguments) {
        return ForwardedCommand::run(
            ControlRequest(ControlRequest::Kind::command, QLatin1String(command), arguments),
            *store, HolderRole::monitor);
    };
    // clang-format off
    const struct { const char* command; QStringList arguments; int exit_code; const char* printed;
                   const char* question; qsizetype domains; } cases[] = {
        {"add", {u"example.com"_s}, 0, "Added https://example.com (", nullptr, 1},
        {"add", {u"example.com"_s}, 1, "tessary add: ", nullptr, 1},
        {"remove", {u"example.com"_s}, 1, "", "Remove https://example.com and its whole history?", 1},
        {"remove", {u"example.com"_s, u"--yes"_s}, 0, "Removed https://example.com\n", nullptr, 0},
        {"list", {}, 1, "tessary: the running Tessary does not run \"list\"\n", nullptr, 0},
    };
    // clang-format on
    for (const auto& [command, arguments, exit_code, printed, question, domains] : cases) {
        const ControlAnswer answer = run(command, arguments);
        EXPECT_EQ(answer.role, HolderRole::monitor);
        EXPECT_EQ(answer.exit_code, exit_code) << command;
        const QString all = answer.out + answer.err;
        EXPECT_EQ(all.left(qsizetype(qstrlen(printed))), QLatin1String(printed)) << command;
        EXPECT_EQ(answer.question.value_or(QString()), QLatin1String(question)) << command;
        EXPECT_EQ(store->domains().size(), domains) << command;
    }
}

// The monitor, the window (offscreen) and the editing commands as separate
// processes on one data folder, measuring against the local HTTPS server.
class RunningTessary : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.is_running()) << server.error().toStdString();
        server.serve("/generate_204", ServedResponse::with_status(204));
        server.serve("/", ServedResponse::with_status(200));
        environment.insert(u"TESSARY_CA_BUNDLE"_s, server.ca_file());
        environment.insert(u"TESSARY_PROBE_URL"_s, server.url(u"/generate_204"_s).toString());
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    }

    void TearDown() override
    {
        for (const auto& process : processes) {
            process->kill();
            process->waitForFinished();
        }
    }

    QString url(const char* site) const
    {
        return server.url(u"/"_s, u"localhost"_s).toString() + u"?site="_s + QLatin1String(site);
    }

    // `tessary ARGUMENTS --data-dir FOLDER`, left running.
    QProcess& start(QStringList arguments)
    {
        auto& process = processes.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(TESSARY_EXECUTABLE),
                       arguments << u"--data-dir"_s << folder.path());
        EXPECT_TRUE(process->waitForStarted());
        return *process;
    }

    ProcessResult tessary(QStringList arguments)
    {
        return run_tessary(arguments << u"--data-dir"_s << folder.path(), environment);
    }

    // Whether the process has printed `text` on standard output, waiting for it.
    bool printed(QProcess& process, const char* text, int timeout_ms = 20'000)
    {
        QByteArray& seen = output[&process];
        return wait_until(
            [&] {
                seen += process.readAllStandardOutput();
                return seen.contains(text);
            },
            timeout_ms);
    }

    bool holds_folder(const QProcess& process)
    {
        return wait_until(
            [&] { return StoreLock::recorded_holder(folder.path()).pid == process.processId(); });
    }

    QList<DomainMeasurement> history(const MonitoredDomain& domain)
    {
        return HistoryJson::decode(folder.read(u"measurement_history.json"_s))
            ->value(domain.id.toString(QUuid::WithoutBraces).toUpper());
    }

    LocalHttpsServer server;
    DataFolder folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> processes;
    QHash<const QProcess*, QByteArray> output;
};

TEST_F(RunningTessary, editing_commands_go_through_the_monitor_which_measures_what_they_add)
{
    QProcess& monitor = start({u"monitor"_s});
    ASSERT_TRUE(printed(monitor, "Monitoring 0 domains"));

    const ProcessResult added = tessary({u"add"_s, url("a"), u"--interval"_s, u"20"_s});
    EXPECT_EQ(added.exit_code, 0) << added.err.constData();
    EXPECT_TRUE(added.out.startsWith("Added " + url("a").toUtf8() + " (")) << added.out.constData();
    EXPECT_TRUE(printed(monitor, "  localhost  200  "));

    // The same texts and exit codes as alone; a confirmation is asked here.
    const ProcessResult invalid = tessary({u"add"_s, u"https://"_s});
    EXPECT_EQ(invalid.exit_code, 1);
    EXPECT_EQ(invalid.err, "tessary add: Enter a valid domain or URL.\n");
    const ProcessResult unconfirmed = tessary({u"remove"_s, url("a")});
    EXPECT_EQ(unconfirmed.exit_code, 1);
    EXPECT_TRUE(unconfirmed.err.endsWith("whole history? Add --yes to confirm.\n"))
        << unconfirmed.err.constData();
    EXPECT_EQ(DomainJson::decode_list(folder.read(u"domains.json"_s))->size(), 1);
    EXPECT_EQ(tessary({u"remove"_s, url("a"), u"--yes"_s}).out,
              "Removed " + url("a").toUtf8() + '\n');
    EXPECT_TRUE(DomainJson::decode_list(folder.read(u"domains.json"_s))->isEmpty());
}

// Two domains: the first due at once, measured by the monitor before it steps
// aside, the second due after the monitor has the folder back. Each has one
// new measurement, an interval after the one before.
TEST_F(RunningTessary, the_window_takes_over_and_the_monitor_resumes_without_a_duplicate_or_a_gap)
{
    const QDateTime began = QDateTime::currentDateTimeUtc();
    QList<MonitoredDomain> domains;
    for (const auto& [site, seconds_ago] : {std::pair{"a", 21}, std::pair{"b", 12}}) {
        MonitoredDomain& domain = domains.emplace_back();
        domain.id = QUuid::createUuid();
        domain.url_string = url(site);
        domain.interval_seconds = 20;
        DomainMeasurement& last = domain.measurements.emplace_back();
        last.id = QUuid::createUuid();
        last.measured_at = began.addSecs(-seconds_ago);
        last.total_time = 0.1;
        last.http_status = 200;
    }
    folder.write(u"domains.json"_s, DomainJson::encode_list(domains));

    QProcess& monitor = start({u"monitor"_s});
    ASSERT_TRUE(printed(monitor, "  localhost  200  "));
    const QDateTime window_started = QDateTime::currentDateTimeUtc();
    QProcess& window = start({});
    EXPECT_TRUE(printed(monitor, "Paused while the Tessary window is open"));
    ASSERT_TRUE(holds_folder(window));
    wait_until([&] { return began.secsTo(QDateTime::currentDateTimeUtc()) >= 6; });
    output[&monitor] += monitor.readAllStandardOutput(); // nothing measured while paused
    EXPECT_EQ(output[&monitor].count("  200  "), 1);
    window.terminate();
    EXPECT_TRUE(window.waitForFinished(10'000) && window.exitCode() == 0);
    EXPECT_TRUE(printed(monitor, "Resumed monitoring 2 domains."));
    wait_until([&] { return began.secsTo(QDateTime::currentDateTimeUtc()) >= 13; }, 30'000);
    monitor.terminate();
    ASSERT_TRUE(monitor.waitForFinished(10'000));

    for (const MonitoredDomain& domain : domains) {
        const QList<DomainMeasurement> measured = history(domain);
        ASSERT_EQ(measured.size(), 2) << domain.url_string.toStdString();
        const qint64 interval = measured[1].measured_at.secsTo(measured[0].measured_at);
        EXPECT_TRUE(interval >= 19 && interval < 30) << interval;
    }
    // The monitor's measurement, saved as it stepped aside.
    EXPECT_LT(history(domains[0]).first().measured_at, window_started);
}

TEST_F(RunningTessary, a_monitor_waits_for_the_window_and_takes_over_when_it_is_killed)
{
    QProcess& window = start({});
    ASSERT_TRUE(holds_folder(window));
    const ProcessResult second = tessary({}); // brings the first window forward
    EXPECT_EQ(second.exit_code, 0) << second.err.constData();
    EXPECT_EQ(window.state(), QProcess::Running);

    QProcess& monitor = start({u"monitor"_s, u"--quiet"_s});
    EXPECT_TRUE(printed(monitor, "Paused while the Tessary window is open"));
    EXPECT_EQ(tessary({u"add"_s, url("a"), u"--inactive"_s}).exit_code, 0);
    window.kill();
    EXPECT_TRUE(printed(monitor, "Resumed monitoring 1 domain.")) << output[&monitor].constData();
    const ProcessResult pinned = tessary({u"pin"_s, url("a")});
    EXPECT_EQ(pinned.out, "Pinned " + url("a").toUtf8() + '\n') << pinned.err.constData();
}

} // namespace
