#include "DataFolder.h"
#include "Poppler.h"
#include "ProgressLine.h"
#include "TessaryProcess.h"
#include "i18n/L10n.h"
#include "i18n/Preferences.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Three domains: the pinned one comes first in store order; the third is archived.
const char* const domains_json =
    R"([{"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://example.com","interval_seconds":60,"is_active":true},)"
    R"({"id":"1B1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://pinned.example.org/a","interval_seconds":30,"is_active":true,"is_pinned":true},)"
    R"({"id":"2C1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://archived.example.net/","interval_seconds":30,"is_active":true,"is_archived":true}])";

const char* const history_json =
    R"({"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9":[)"
    R"({"id":"BBBBBBBB-1111-4111-8111-111111111111","measured_at":"2025-01-31T09:17:00Z","total_time":0.2,"http_status":200},)"
    R"({"id":"22222222-2222-4222-8222-222222222222","measured_at":"2025-01-31T09:15:00Z","total_time":0.2,"http_status":500}]})";

class ReportCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.write(u"domains.json"_s, domains_json);
        folder.write(u"measurement_history.json"_s, history_json);
        QDir().mkpath(output.path());
    }
    void TearDown() override
    {
        Preferences::remove(QString::fromLatin1(Preferences::app_language_key));
    }

    ProcessResult report(const QStringList& arguments)
    {
        return run_tessary(QStringList{u"--data-dir"_s, folder.path(), u"report"_s} + arguments);
    }

    DataFolder folder;
    DataFolder output;
};

} // namespace

TEST_F(ReportCommand, all_writes_every_active_domain_in_store_order_and_nothing_else)
{
    const QStringList before = folder.entries();
    const mode_t previous_umask = ::umask(0); // inherited by the command
    const ProcessResult run = report({u"--all"_s, u"-o"_s, output.file(u"r.pdf"_s)});
    ::umask(previous_umask);
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(QFile::permissions(output.file(u"r.pdf"_s)),
              QFileDevice::Permissions(0x6644)); // rw-r--r--
    EXPECT_TRUE(run.out.isEmpty() && run.err.isEmpty()) << run.err.constData();
    EXPECT_EQ(folder.entries(), before);
    EXPECT_EQ(output.entries(), QStringList{u"r.pdf"_s});
    const QByteArray pdf = output.read(u"r.pdf"_s);
    // The domain without measurements takes one page, the other's section two.
    EXPECT_EQ(Poppler::info(pdf).value(u"Pages"_s), u"3"_s);
    const QString text = Poppler::text(pdf);
    Poppler::expect_in_order(text,
                             {u"Domains: 2 Measurements: 2"_s, u"pinned.example.org"_s,
                              u"No measurements available."_s, u"example.com"_s, u"Heartbeat"_s});
    EXPECT_FALSE(text.contains(u"archived.example.net"_s));

    // Without domain names the report is the same, apart from the time it was made.
    const ProcessResult plain = report({u"-o"_s, u"-"_s});
    ASSERT_EQ(plain.exit_code, 0) << plain.err.constData();
    const auto after_generated = [](const QString& text) {
        return text.mid(text.indexOf(u" Domains: "_s));
    };
    EXPECT_EQ(after_generated(Poppler::text(plain.out)), after_generated(text));
}

// Named domains come once each, in the given order, archived ones too; the
// language follows the preference.
TEST_F(ReportCommand, named_domains_come_in_the_given_order_to_standard_output)
{
    L10n::set_selected_language(AppLanguage::dutch);
    const ProcessResult run = report(
        {u"example.com"_s, u"archived.example.net"_s, u"https://example.com/"_s, u"-o"_s, u"-"_s});
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(Poppler::info(run.out).value(u"Title"_s), u"Tessary Rapport"_s);
    EXPECT_EQ(Poppler::info(run.out).value(u"Pages"_s), u"3"_s);
    Poppler::expect_in_order(Poppler::text(run.out), {u"Tessary Rapport Gegenereerd: "_s,
                                                      u"example.com"_s, u"archived.example.net"_s});
}

// On a terminal the line rewrites itself and is wiped at the end; elsewhere it prints nothing.
TEST(ProgressLineTest, rewrites_itself_on_a_terminal_only)
{
    for (const bool terminal : {true, false}) {
        QString printed;
        QTextStream stream(&printed);
        {
            ProgressLine line(stream, u"Writing"_s, terminal);
            for (const double fraction : {0.0, 0.004, 0.5, 1.0})
                line.show(fraction);
        }
        EXPECT_EQ(printed, terminal ? u"\rWriting: 0%\rWriting: 50%\rWriting: 100%\r"_s +
                                          QString(13, u' ') + u"\r"_s
                                    : QString());
    }
}
