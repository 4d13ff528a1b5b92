#include "AlertLine.h"
#include "DataFolder.h"
#include "LocalHttpsServer.h"
#include "MeasurementFactory.h"
#include "MonitorLine.h"
#include "TessaryProcess.h"
#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"
#include "store/StoreLoader.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A site that put escape sequences and direction controls (FORMAT) in its URL
// path and its error text (a hand-edited or hostile file would do the same).
const char* const domains_json =
    R"([{"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://evil.example/\u001b]0;owned\u0007FORMAT","interval_seconds":60,"is_active":true},)"
    R"({"id":"1B1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://gone.example/\u009b31m\u007fFORMAT","interval_seconds":60,"is_active":true,"is_archived":true}])";

const char* const history_json =
    R"({"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9":[)"
    R"({"id":"11111111-1111-4111-8111-111111111111","measured_at":"2025-01-31T09:16:00Z","total_time":0.2,"error_message":"boom\u001b[2J\r\nX-Fake: 1FORMAT"}]})";

// Each output that prints stored, given or received text, and what must appear
// with the placeholder where the control characters were; each format character
// is shown as a placeholder too.
TEST(TerminalOutput, shows_control_and_format_characters_as_a_placeholder_but_json_escapes_them)
{
    // Every invisible character that reorders or hides text.
    const QByteArray format = u"\u200b\u200c\u200d\u200e\u200f\u202a\u202b\u202c\u202d\u202e"
                              u"\u2066\u2067\u2068\u2069\ufeff"_s.toUtf8();
    DataFolder folder;
    folder.write(u"domains.json"_s, QByteArray(domains_json).replace("FORMAT", format));
    folder.write(u"measurement_history.json"_s, QByteArray(history_json).replace("FORMAT", format));
    LocalHttpsServer site;
    ASSERT_TRUE(site.is_running()) << site.error().toStdString();
    site.serve("/generate_204", ServedResponse::with_status(204));
    site.serve("/", ServedResponse::with_status(200).header("X-Title", "\x1b]0;owned" + format));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TESSARY_CA_BUNDLE"_s, site.ca_file());
    environment.insert(u"TESSARY_PROBE_URL"_s, site.url(u"/generate_204"_s).toString());

    const std::pair<QStringList, QByteArray> cases[] = {
        {{u"list"_s}, "boom\xef\xbf\xbd[2J\xef\xbf\xbd\xef\xbf\xbdX-Fake: 1"},
        {{u"stats"_s, u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s},
         "https://evil.example/\xef\xbf\xbd]0;owned\xef\xbf\xbd"},
        {{u"suggestions"_s}, "https://gone.example/\xef\xbf\xbd"},
        {{u"pin"_s, u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s},
         "Pinned https://evil.example/\xef\xbf\xbd]0;owned\xef\xbf\xbd"},
        {{u"stats"_s, u"nothing\x1b[2J"_s + QString::fromUtf8(format)},
         "no domain matches \"nothing\xef\xbf\xbd[2J"},
        {{u"measure"_s, site.url(u"/"_s).toString()}, "x-title: \xef\xbf\xbd]0;owned"},
        {{}, "boom\xef\xbf\xbd[2J"}, // the monitor's line
    };
    const QRegularExpression hidden(
        u"[\\x00-\\x09\\x0b-\\x1f\\x7f-\\x9f\\x{200b}-\\x{200f}\\x{202a}-\\x{202e}\\x{2066}-\\x{2069}\\x{feff}]"_s);
    const QByteArray marks =
        QString(QString::fromUtf8(format).size(), QChar::ReplacementCharacter).toUtf8();
    for (const auto& [arguments, expected] : cases) {
        QByteArray printed;
        if (arguments.isEmpty()) {
            const auto loaded = StoreLoader::load(StoreFiles::in(folder.path()));
            printed =
                measurement_line(loaded.domains[0], loaded.domains[0].measurements[0]).toUtf8();
        } else {
            const ProcessResult run =
                run_tessary(arguments + QStringList{u"--data-dir"_s, folder.path()}, environment);
            printed = run.out + run.err;
        }
        EXPECT_FALSE(QString::fromUtf8(printed).contains(hidden)) << printed.constData();
        EXPECT_TRUE(printed.contains(expected)) << printed.constData();
        EXPECT_TRUE(printed.contains(marks)) << printed.constData();
    }
    const ProcessResult json =
        run_tessary({u"list"_s, u"--json"_s, u"--data-dir"_s, folder.path()});
    EXPECT_FALSE(json.out.contains("\xef\xbf\xbd"));
    EXPECT_TRUE(json.out.toLower().contains("boom\\u001b[2j\\r\\nx-fake: 1"))
        << json.out.constData();
}

// A secure domain whose newest measurement failed before the handshake (the one
// before it counts), and a plain HTTP one, which shows nothing.
TEST(CertificateOutput, shows_the_days_left_of_the_secure_domain_only)
{
    // Noon, 45 days from today, in the test's time zone, which the child inherits.
    const QDate today = QDate::currentDate();
    const QDateTime expires_at = QDateTime(today.addDays(45), QTime(12, 0)).toUTC();
    const QString id = u"2c1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9"_s;
    MonitoredDomain secure, plain;
    secure.id = QUuid::fromString(id);
    secure.url_string = u"https://secure.example"_s;
    plain.id = QUuid::createUuid();
    plain.url_string = u"http://plain.example"_s;
    DomainMeasurement older = successful(0.2);
    older.certificate_expires_at = expires_at;
    DataFolder folder;
    folder.write(u"domains.json"_s, DomainJson::encode_list({secure, plain}));
    folder.write(u"measurement_history.json"_s,
                 HistoryJson::encode(
                     {{secure.id, {failed(0.1, 60), older}}, {plain.id, {successful(0.2)}}}));

    const QByteArray json =
        "\"certificate_expires_at\":\"" + expires_at.toString(Qt::ISODate).toLatin1() + '"';
    const std::pair<QStringList, QByteArray> cases[] = {
        {{u"list"_s}, "\n    Certificate valid for 45 more days\n"},
        {{u"stats"_s, id}, "https://secure.example\n  Certificate valid for 45 more days\n"},
        {{u"list"_s, u"--json"_s}, json},
        {{u"stats"_s, u"--json"_s, id}, json},
    };
    for (const auto& [arguments, expected] : cases) {
        const ProcessResult run =
            run_tessary(arguments + QStringList{u"--data-dir"_s, folder.path()});
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        if (QDate::currentDate() != today)
            GTEST_SKIP() << "The day turned while the test ran; 44 days may be right.";
        EXPECT_EQ(run.out.count(expected), 1) << run.out.constData();
    }
}

} // namespace

TEST(AlertLine, gives_the_time_and_the_notifications_text_on_one_line)
{
    L10n::set_selected_language(AppLanguage::english);
    DomainAlert alert{DomainAlert::Kind::down,
                      QUuid::createUuid(),
                      QStringLiteral("example.com"),
                      QDateTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC),
                      {}};
    alert.measurement.measured_at = alert.outage_started_at.addSecs(6 * 60 + 59);
    alert.measurement.error_message = QStringLiteral("refused\r\n\x1b[2J");
    const QString time = MeasurementFormatter::date_time().string(alert.measurement.measured_at);
    EXPECT_EQ(alert_line(alert),
              time + QStringLiteral("  example.com is down: refused\ufffd\ufffd\ufffd[2J"));
    alert.kind = DomainAlert::Kind::up_again;
    EXPECT_EQ(alert_line(alert), time + QStringLiteral("  example.com is up again after 6 min"));
    L10n::set_selected_language(AppLanguage::system);
}

TEST(MonitorLine, shows_others_a_url_without_its_secrets_and_the_user_all_of_it)
{
    MonitoredDomain domain; // named by its URL, which has no valid port
    domain.url_string = u"https://u:p@bad.example:99999/?t=1"_s;
    DomainMeasurement m;
    m.error_message = u"refused by ftp://u:p@ftp.example/"_s;
    const QString line = measurement_line(domain, m);
    ASSERT_TRUE(line.contains(domain.url_string) && line.contains(*m.error_message));
    EXPECT_EQ(monitor_line(line, true), line);
    EXPECT_EQ(monitor_line(line, false),
              QString(line).replace(u"u:p@"_s, QString()).replace(u"t=1"_s, u"t=\u2026"_s));
}
