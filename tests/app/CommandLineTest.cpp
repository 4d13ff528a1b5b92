#include "CommandLine.h"

#include "DataFolder.h"
#include "DomainArgument.h"
#include "TessaryProcess.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/StoreFiles.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const char* const domains_json =
    R"([{"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://example.com","interval_seconds":60,"is_active":true},)"
    R"({"id":"1B1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://shop.example.org/a","interval_seconds":30,"is_active":false,"is_pinned":true},)"
    R"({"id":"2C1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://shop.example.org/b","interval_seconds":30,"is_active":true,"is_archived":true}])";

// Written by hand: a failure at 09:15 and an outage at 09:16, newest first.
const char* const history_json =
    R"({"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9":[)"
    R"({"id":"BBBBBBBB-1111-4111-8111-111111111111","measured_at":"2025-01-31T09:17:00Z","total_time":0.2,"http_status":200},)"
    R"({"id":"11111111-1111-4111-8111-111111111111","measured_at":"2025-01-31T09:16:00Z","total_time":9.5,"http_status":200,"response_x_headers":{"x-cache":"HIT"}},)"
    R"({"id":"22222222-2222-4222-8222-222222222222","measured_at":"2025-01-31T09:15:00Z","total_time":0.2,"http_status":500}]})";

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.write(u"domains.json"_s, domains_json);
        folder.write(u"measurement_history.json"_s, history_json);
    }

    DataFolder folder;
};

TEST_F(Commands, stats_json_is_one_sorted_compact_object)
{
    const ProcessResult run =
        run_tessary({u"stats"_s, u"example.com"_s, u"--json"_s, u"--data-dir"_s, folder.path()});
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(run.out,
              R"({"average_total_time":3.3000000000000004,"delay_measurement_ids":[],)"
              R"("disturbance_measurement_ids":["11111111-1111-4111-8111-111111111111"],)"
              R"("disturbance_periods":[{"contains_failure":true,"duration":120.0,)"
              R"("id":"22222222-2222-4222-8222-222222222222",)"
              R"("measurement_id":"22222222-2222-4222-8222-222222222222",)"
              R"("started_at":"2025-01-31T09:15:00Z"}],"failure_count":1,"highest_total_time":9.5,)"
              R"("id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","levels":{)"
              R"("11111111-1111-4111-8111-111111111111":"outage",)"
              R"("22222222-2222-4222-8222-222222222222":"error",)"
              R"("BBBBBBBB-1111-4111-8111-111111111111":"normal"},)"
              R"("longest_disturbance_duration":120.0,)"
              R"("outage_measurement_ids":["11111111-1111-4111-8111-111111111111"],)"
              R"("url_string":"https://example.com"})"
              "\n");
}

TEST_F(Commands, data_dir_is_accepted_before_the_command_and_domains_by_id_or_url)
{
    for (const QString& name :
         {u"0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9"_s, u"https://example.com/"_s, u"EXAMPLE.COM"_s}) {
        const ProcessResult run =
            run_tessary({u"--data-dir"_s, folder.path(), u"stats"_s, name, u"--json"_s});
        EXPECT_EQ(run.exit_code, 0) << name.toStdString() << run.err.constData();
        EXPECT_TRUE(run.out.contains("\"id\":\"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9\""));
    }
}

TEST_F(Commands, list_json_shows_every_domain_in_store_order)
{
    const ProcessResult run = run_tessary({u"list"_s, u"--json"_s, u"--data-dir"_s, folder.path()});
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const qsizetype pinned = run.out.indexOf("https://shop.example.org/a");
    const qsizetype plain = run.out.indexOf("https://example.com");
    const qsizetype archived = run.out.indexOf("https://shop.example.org/b");
    EXPECT_TRUE(pinned >= 0 && pinned < plain && plain < archived) << run.out.constData();
    EXPECT_TRUE(run.out.contains(
        "\"last_level\":\"normal\",\"last_measured_at\":\"2025-01-31T09:17:00Z\""));
    EXPECT_TRUE(run.out.contains("\"state\":\"paused\""));
    EXPECT_TRUE(run.out.contains("\"state\":\"archived\""));

    const ProcessResult table = run_tessary({u"list"_s, u"--data-dir"_s, folder.path()});
    EXPECT_EQ(table.exit_code, 0);
    EXPECT_TRUE(table.out.contains("3 measurements, 1 failed, 1 disturbance periods"))
        << table.out.constData();
    EXPECT_EQ(folder.entries(), (QStringList{u"domains.json"_s, u"measurement_history.json"_s}));
}

TEST_F(Commands, export_writes_the_same_texts_to_a_file_and_to_standard_output)
{
    const QString target = folder.file(u"out.csv"_s);
    const ProcessResult to_file =
        run_tessary({u"--data-dir"_s, folder.path(), u"export"_s, u"example.com"_s, u"--format"_s,
                     u"csv"_s, u"-o"_s, target});
    ASSERT_EQ(to_file.exit_code, 0) << to_file.err.constData();
    const ProcessResult to_stdout = run_tessary(
        {u"--data-dir"_s, folder.path(), u"export"_s, u"example.com"_s, u"--format=csv"_s});
    EXPECT_EQ(to_stdout.out, folder.read(u"out.csv"_s));
    EXPECT_EQ(to_stdout.out.count('\n'), 4);
    EXPECT_TRUE(to_stdout.out.contains("\"x-cache: HIT\""));

    const ProcessResult json = run_tessary(
        {u"--data-dir"_s, folder.path(), u"export"_s, u"example.com"_s, u"--format"_s, u"json"_s});
    ASSERT_EQ(json.exit_code, 0);
    const auto domain = DomainJson::decode(json.out);
    ASSERT_TRUE(domain) << domain.error().to_string().toStdString();
    EXPECT_EQ(domain->measurements.size(), 3);
    // Reading takes no lock and writes nothing else.
    EXPECT_EQ(folder.entries(),
              (QStringList{u"domains.json"_s, u"measurement_history.json"_s, u"out.csv"_s}));
}

struct Failure {
    const char* name;
    QStringList arguments;
    const char* message;
    const char* history = history_json;
};

class CommandFailures : public Commands, public ::testing::WithParamInterface<Failure> {};

// Refused before anything is changed.
TEST_P(CommandFailures, go_to_standard_error_with_a_non_zero_exit_code)
{
    const Failure& f = GetParam();
    folder.write(u"measurement_history.json"_s, f.history);
    const ProcessResult run =
        run_tessary(f.arguments + QStringList{u"--data-dir"_s, folder.path()});
    EXPECT_NE(run.exit_code, 0);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.constData();
    EXPECT_TRUE(run.err.contains(f.message)) << run.err.constData();
    EXPECT_EQ(folder.read(u"domains.json"_s), domains_json);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandFailures,
    ::testing::Values(
        Failure{"unknown_command", {u"frobnicate"_s}, "unknown command"},
        Failure{"missing_domain", {u"stats"_s}, "expected 1 argument"},
        Failure{"unknown_option", {u"list"_s, u"--colour"_s}, "Unknown option"},
        Failure{"bad_metrics_address",
                {u"monitor"_s, u"--metrics"_s, u"9464:127.0.0.1"_s},
                "--metrics needs a port or an address and port"},
        Failure{"bad_format",
                {u"export"_s, u"example.com"_s, u"--format"_s, u"xml"_s},
                "--format must be json or csv"},
        Failure{"unwritable_output",
                {u"export"_s, u"example.com"_s, u"--format"_s, u"csv"_s, u"-o"_s,
                 u"/nonexistent/dir/x.csv"_s},
                "cannot write /nonexistent/dir/x.csv"},
        Failure{"no_such_domain",
                {u"stats"_s, u"nowhere.example"_s},
                "no domain matches \"nowhere.example\""},
        Failure{"host_of_two_domains",
                {u"stats"_s, u"shop.example.org"_s},
                "matches 2 domains; name one by its id or URL:\n"
                "  1B1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9  https://shop.example.org/a\n"
                "  2C1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9  https://shop.example.org/b (archived)\n"},
        Failure{"damaged_file",
                {u"list"_s},
                "cannot use measurement_history.json: invalid JSON at byte",
                "{\"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9\":[{]}"},
        Failure{"duplicate",
                {u"add"_s, u"https://www.EXAMPLE.com"_s},
                "This domain is already being monitored."},
        Failure{"invalid_url", {u"add"_s, u"not a url"_s}, "Enter a valid domain or URL."},
        Failure{"interval_too_short",
                {u"add"_s, u"b.example"_s, u"--interval"_s, u"5"_s},
                "--interval must be a whole number from 20 to 86400"},
        Failure{"lookback_too_long",
                {u"add"_s, u"b.example"_s, u"--lookback"_s, u"8761"_s},
                "--lookback must be a whole number from 1 to 8760"},
        // Without a terminal, destructive commands need --yes.
        Failure{"remove", {u"remove"_s, u"example.com"_s}, "--yes"},
        Failure{"clear_everything", {u"clear"_s, u"--everything"_s}, "--yes"},
        Failure{"clear_all_history", {u"clear"_s, u"--all-history"_s}, "--yes"},
        Failure{"archive_all", {u"archive"_s, u"--all"_s}, "--yes"}),
    [](const auto& info) { return std::string(info.param.name); });

// Period lines of `stats`: indented four spaces, in the order printed.
QList<QByteArray> period_lines(const QByteArray& out)
{
    QList<QByteArray> lines = out.split('\n');
    lines.removeIf([](const QByteArray& line) { return !line.startsWith("    "); });
    return lines;
}

TEST_F(Commands, stats_lists_the_20_newest_periods_first_unless_asked_for_all)
{
    // 25 periods, each one failure then a success, two minutes apart.
    QList<DomainMeasurement> newest_first;
    for (int i = 0; i < 25; ++i) {
        DomainMeasurement m;
        m.id = QUuid::createUuid();
        m.measured_at = QDateTime(QDate(2025, 1, 31), QTime(9, 0), Qt::UTC).addSecs(120 * i);
        m.http_status = 503;
        newest_first.prepend(m);
        m.id = QUuid::createUuid();
        m.measured_at = m.measured_at.addSecs(60);
        m.http_status = 200;
        newest_first.prepend(m);
    }
    folder.write(
        u"measurement_history.json"_s,
        HistoryJson::encode({{QUuid(u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s), newest_first}}));
    const QStringList arguments{u"stats"_s, u"example.com"_s, u"--data-dir"_s, folder.path()};

    const ProcessResult some = run_tessary(arguments);
    EXPECT_TRUE(some.out.contains("disturbance periods: 25")) << some.out.constData();
    const QList<QByteArray> shown = period_lines(some.out);
    ASSERT_EQ(shown.size(), 21) << some.out.constData() << some.err.constData();
    EXPECT_EQ(shown.last(), "    and 5 older periods (--all-periods lists them all)");

    const QList<QByteArray> every =
        period_lines(run_tessary(arguments + QStringList{u"--all-periods"_s}).out);
    ASSERT_EQ(every.size(), 25);
    EXPECT_EQ(every.mid(0, 20), shown.mid(0, 20));
    EXPECT_TRUE(std::adjacent_find(every.begin(), every.end(), std::less_equal<>()) == every.end())
        << "newest first";
}

// Two domains may share a URL (an edit has no duplicate check): naming it picks neither.
TEST(DomainArgument, a_url_shared_by_two_domains_names_neither)
{
    QList<MonitoredDomain> domains(2);
    domains[0].id = QUuid::createUuid();
    domains[0].url_string = u"https://example.com/a"_s;
    domains[1].id = QUuid::createUuid();
    domains[1].url_string = u"https://example.com/a/"_s;
    const auto shared = find_domain(domains, u"https://example.com/a"_s);
    ASSERT_FALSE(shared);
    EXPECT_TRUE(shared.error().contains(u"matches 2 domains"_s)) << shared.error().toStdString();
    domains[1].url_string = u"https://example.com/b"_s;
    const auto one = find_domain(domains, u"HTTPS://example.com/a/"_s);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->id, domains[0].id);
}

TEST(CommandLine, help_and_version_need_no_data)
{
    const ProcessResult help = run_tessary({u"--help"_s}), version = run_tessary({u"--version"_s});
    EXPECT_TRUE(help.exit_code == 0 && version.exit_code == 0);
    for (const char* command : {"list", "stats", "export", "--data-dir"})
        EXPECT_TRUE(help.out.contains(command)) << command;
    EXPECT_TRUE(version.out.startsWith("Tessary "));
}

TEST(CommandLine, opens_the_window_only_without_a_command)
{
    const std::pair<QStringList, std::optional<QString>> cases[] = {
        {{}, StoreFiles::default_support_directory()},
        {{u"--data-dir"_s, u"/d"_s}, u"/d"_s},
        {{u"--data-dir=/e"_s}, u"/e"_s},
        {{u"list"_s}, std::nullopt},
        {{u"--help"_s}, std::nullopt},
        {{u"-v"_s}, std::nullopt},
        {{u"--data-dir"_s}, std::nullopt},
    };
    for (const auto& [arguments, directory] : cases)
        EXPECT_EQ(CommandLine::window_data_directory(QStringList{u"tessary"_s} + arguments),
                  directory)
            << arguments.join(u' ').toStdString();
}

TEST(CommandLine, without_a_command_or_a_display_tessary_names_the_monitor_and_fails)
{
    DataFolder folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const ProcessResult run = run_tessary({u"--data-dir"_s, folder.path()}, environment);
    EXPECT_NE(run.exit_code, 0);
    EXPECT_TRUE(run.err.contains("no display")) << run.err.constData();
    EXPECT_TRUE(run.err.contains("tessary monitor")) << run.err.constData();
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.constData();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(folder.exists(u"tessary.lock"_s));
}

} // namespace
