#include "CommandLine.h"

#include "DataFolder.h"
#include "DomainArgument.h"
#include "MeasurementFactory.h"
#include "TessaryProcess.h"
#include "model/DomainJson.h"
#include "store/HistoryJournal.h"
#include "store/HistoryJson.h"
#include "store/StoreFiles.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

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

    // `arguments` separated by spaces, then the data folder.
    ProcessResult tessary(const QString& arguments)
    {
        return run_tessary(arguments.split(u' ') << u"--data-dir"_s << folder.path());
    }
    ProcessResult tessary(const char* arguments) { return tessary(QString::fromUtf8(arguments)); }

    DataFolder folder;
};

TEST_F(Commands, stats_json_is_one_sorted_compact_object_whatever_names_the_domain)
{
    const QByteArray expected =
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
        "\n";
    for (const char* name : {"example.com", "0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9",
                             "https://example.com/", "EXAMPLE.COM"}) {
        const ProcessResult run = run_tessary(
            {u"--data-dir"_s, folder.path(), u"stats"_s, QString::fromLatin1(name), u"--json"_s});
        EXPECT_EQ(run.out, expected) << name << run.err.constData();
    }
}

// Reading takes no lock and writes nothing but the export asked for. The newest
// measurement is only in the journal, as a running Tessary leaves it.
TEST_F(Commands, list_and_export_show_the_stored_domains_and_measurements)
{
    const QUuid id(u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s);
    QList<DomainMeasurement> stored =
        HistoryJson::decode(history_json)->value(id.toString(QUuid::WithoutBraces).toUpper());
    QByteArray journal;
    HistoryJournal::append_entry(journal, id, stored.takeFirst());
    folder.write(u"measurement_history.json"_s, HistoryJson::encode({{id, stored}}));
    folder.write(
        u"measurement_history.journal"_s,
        HistoryJournal::header(FileIdentity::of_path(folder.file(u"measurement_history.json"_s))) +
            journal);
    const ProcessResult list = tessary("list --json");
    ASSERT_EQ(list.exit_code, 0) << list.err.constData();
    const qsizetype pinned = list.out.indexOf("https://shop.example.org/a");
    const qsizetype plain = list.out.indexOf("https://example.com");
    const qsizetype archived = list.out.indexOf("https://shop.example.org/b");
    EXPECT_TRUE(pinned >= 0 && pinned < plain && plain < archived) << list.out.constData();
    for (const char* part : {R"("last_level":"normal","last_measured_at":"2025-01-31T09:17:00Z")",
                             R"("state":"paused")", R"("state":"archived")"})
        EXPECT_TRUE(list.out.contains(part)) << part;
    EXPECT_TRUE(tessary("list").out.contains("3 measurements, 1 failed, 1 disturbance periods"));

    const QByteArray csv = tessary("export example.com --format=csv").out;
    EXPECT_EQ(csv.count('\n'), 4);
    EXPECT_TRUE(csv.contains("\"x-cache: HIT\""));
    const mode_t previous_umask = ::umask(0); // inherited by the command
    const int exported =
        tessary(u"export example.com --format csv -o "_s + folder.file(u"out.csv"_s)).exit_code;
    ::umask(previous_umask);
    ASSERT_EQ(exported, 0);
    EXPECT_EQ(folder.read(u"out.csv"_s), csv);
    EXPECT_EQ(QFile::permissions(folder.file(u"out.csv"_s)), QFileDevice::Permissions(0x6644));
    const auto domain = DomainJson::decode(tessary("export example.com --format json").out);
    ASSERT_TRUE(domain) << domain.error().to_string().toStdString();
    EXPECT_EQ(domain->measurements.size(), 3);
    EXPECT_EQ(folder.entries(), (QStringList{u"domains.json"_s, u"measurement_history.journal"_s,
                                             u"measurement_history.json"_s, u"out.csv"_s}));
}

struct Failure {
    const char* name;
    const char* arguments; // separated by spaces; TARGET names an existing file
    const char* message;
    const char* history = history_json;
};

class CommandFailures : public Commands, public ::testing::WithParamInterface<Failure> {};

// Refused before anything is changed, an existing target file included.
TEST_P(CommandFailures, go_to_standard_error_with_a_non_zero_exit_code)
{
    const Failure& f = GetParam();
    folder.write(u"measurement_history.json"_s, f.history);
    folder.write(u"r.pdf"_s, "previous report");
    const QStringList before = folder.entries();
    QStringList arguments = QString::fromUtf8(f.arguments).split(u' ');
    arguments.replaceInStrings(u"TARGET"_s, folder.file(u"r.pdf"_s));
    const ProcessResult run = run_tessary(arguments << u"--data-dir"_s << folder.path());
    EXPECT_NE(run.exit_code, 0);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.constData();
    EXPECT_TRUE(run.err.contains(f.message)) << run.err.constData();
    EXPECT_EQ(folder.read(u"domains.json"_s), domains_json);
    EXPECT_EQ(folder.read(u"r.pdf"_s), "previous report");
    QStringList after = folder.entries();
    after.removeAll(u"tessary.lock"_s); // editing commands take the lock first
    EXPECT_EQ(after, before);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, CommandFailures,
    ::testing::Values(
        Failure{"unknown_command", "frobnicate", "unknown command"},
        Failure{"missing_domain", "stats", "expected 1 argument"},
        Failure{"unknown_option", "list --colour", "Unknown option"},
        Failure{"bad_metrics_address", "monitor --metrics 9464:127.0.0.1",
                "--metrics needs a port or an address and port"},
        Failure{"bad_format", "export example.com --format xml", "--format must be json or csv"},
        Failure{"unwritable_export", "export example.com --format csv -o /nonexistent/dir/x.csv",
                "cannot write /nonexistent/dir/x.csv"},
        Failure{"no_such_domain", "stats nowhere.example", "no domain matches \"nowhere.example\""},
        Failure{"host_of_two_domains", "stats shop.example.org",
                "matches 2 domains; name one by its id or URL:\n"
                "  1B1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9  https://shop.example.org/a\n"
                "  2C1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9  https://shop.example.org/b (archived)\n"},
        Failure{"damaged_file", "list", "cannot use measurement_history.json: invalid JSON at byte",
                "{\"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9\":[{]}"},
        Failure{"edit_to_an_invalid_url", "edit example.com --url https://",
                "tessary edit: Enter a valid domain or URL."},
        Failure{"lookback_too_long", "add b.example --lookback 8761",
                "--lookback must be a whole number from 1 to 8760"},
        // Without a terminal, destructive commands need --yes.
        Failure{"remove", "remove example.com", "--yes"},
        Failure{"clear_everything", "clear --everything", "--yes"},
        Failure{"archive_all", "archive --all", "--yes"},
        Failure{"report_unknown_domain", "report nowhere.example -o TARGET",
                "tessary report: no domain matches \"nowhere.example\""},
        Failure{"report_without_output", "report example.com", "-o FILE.pdf"},
        Failure{"report_names_and_all", "report example.com --all -o TARGET", "not both"},
        Failure{"report_unwritable", "report --all -o /nonexistent/dir/r.pdf",
                "cannot write /nonexistent/dir/r.pdf"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(Commands, stats_lists_the_20_newest_periods_first_unless_asked_for_all)
{
    // 25 periods, each one failure then a success, two minutes apart.
    QList<DomainMeasurement> newest_first;
    for (int i = 0; i < 25; ++i)
        newest_first << successful(0.2, 120 * i, 503) << successful(0.2, 120 * i + 60);
    std::reverse(newest_first.begin(), newest_first.end());
    folder.write(
        u"measurement_history.json"_s,
        HistoryJson::encode({{QUuid(u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s), newest_first}}));
    // Period lines are indented four spaces.
    const auto period_lines = [](const QByteArray& out) {
        QList<QByteArray> lines = out.split('\n');
        lines.removeIf([](const QByteArray& line) { return !line.startsWith("    "); });
        return lines;
    };
    const ProcessResult some = tessary("stats example.com");
    EXPECT_TRUE(some.out.contains("disturbance periods: 25")) << some.out.constData();
    const QList<QByteArray> shown = period_lines(some.out);
    ASSERT_EQ(shown.size(), 21) << some.out.constData() << some.err.constData();
    EXPECT_EQ(shown.last(), "    and 5 older periods (--all-periods lists them all)");

    const QList<QByteArray> every = period_lines(tessary("stats example.com --all-periods").out);
    ASSERT_EQ(every.size(), 25);
    EXPECT_EQ(every.mid(0, 20), shown.mid(0, 20));
    EXPECT_TRUE(std::adjacent_find(every.begin(), every.end(), std::less_equal<>()) == every.end())
        << "newest first";
}

// Two domains may share a URL (an edit has no duplicate check): naming it picks neither.
TEST(DomainArgument, a_url_shared_by_two_domains_names_neither)
{
    QList<MonitoredDomain> domains(2);
    for (MonitoredDomain& domain : domains)
        domain.id = QUuid::createUuid();
    domains[0].url_string = u"https://example.com/a"_s;
    domains[1].url_string = u"https://example.com/a/"_s;
    const auto shared = find_domain(domains, u"https://example.com/a"_s);
    ASSERT_FALSE(shared);
    EXPECT_TRUE(shared.error().contains(u"matches 2 domains"_s)) << shared.error().toStdString();
}

TEST(CommandLine, help_and_version_need_no_data)
{
    const ProcessResult help = run_tessary({u"--help"_s});
    for (const char* command : {"list", "stats", "export", "providers [--json]", "--data-dir"})
        EXPECT_TRUE(help.exit_code == 0 && help.out.contains(command)) << command;
    EXPECT_TRUE(run_tessary({u"--version"_s}).out.startsWith("Tessary "));
    // A command's own options, even where its arguments would be refused.
    for (const auto& [arguments, option] : {std::pair{"edit --help", "--no-notify"},
                                            std::pair{"archive --all example.com -h", "--yes"}}) {
        const ProcessResult command_help = run_tessary(QString::fromLatin1(arguments).split(u' '));
        EXPECT_TRUE(command_help.exit_code == 0 && command_help.out.contains(option)) << arguments;
    }
}

TEST(CommandLine, opens_the_window_only_without_a_command)
{
    const std::pair<const char*, const char*> cases[] = {
        // arguments, data directory of the window and whether hidden (none: no window)
        {"--data-dir /d", "/d"},
        {"--data-dir=/e --hidden", "/e hidden"},
        {"list", "none"},
        {"--help", "none"},
        {"-v", "none"},
        {"--data-dir", "none"},
        {"--hidden list", "none"},
    };
    const auto window = [](const QStringList& arguments) {
        const auto options = CommandLine::window_options(arguments);
        return !options ? u"none"_s
                        : options->data_directory + (options->hidden ? u" hidden"_s : QString());
    };
    EXPECT_EQ(window({u"tessary"_s}), StoreFiles::default_support_directory());
    for (const auto& [arguments, expected] : cases)
        EXPECT_EQ(window(u"tessary %1"_s.arg(QLatin1String(arguments)).split(u' ')),
                  QString::fromLatin1(expected))
            << arguments;
}

TEST(CommandLine, without_a_command_or_a_display_tessary_names_the_monitor_and_fails)
{
    DataFolder folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const ProcessResult run = run_tessary({u"--data-dir"_s, folder.path()}, environment);
    EXPECT_NE(run.exit_code, 0);
    EXPECT_TRUE(run.err.contains("no display") && run.err.contains("tessary monitor"))
        << run.err.constData();
    EXPECT_FALSE(folder.exists(u"tessary.lock"_s));
}

} // namespace
