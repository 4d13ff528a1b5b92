#include "DataFolder.h"
#include "MeasurementFactory.h"
#include "TessaryProcess.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

// A secure domain whose newest measurement failed before the handshake (the one
// before it counts), and a plain HTTP one, which shows nothing.
TEST(CertificateOutput, shows_the_days_left_of_the_secure_domain_only)
{
    // Noon, 45 days from today, in the test's time zone, which the child inherits.
    const QDateTime expires_at = QDateTime(QDate::currentDate().addDays(45), QTime(12, 0)).toUTC();
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
    const std::tuple<QStringList, const char*, QByteArray> cases[] = {
        // arguments, locale (nullptr: the test's own), expected once in the output
        {{u"list"_s}, nullptr, "\n    Certificate valid for 45 more days\n"},
        {{u"list"_s}, "nl_NL.UTF-8", "\n    Certificaat nog 45 dagen geldig\n"},
        {{u"stats"_s, id},
         nullptr,
         "https://secure.example\n  Certificate valid for 45 more days\n"},
        {{u"list"_s, u"--json"_s}, nullptr, json},
        {{u"stats"_s, u"--json"_s, id}, nullptr, json},
    };
    for (const auto& [arguments, locale, expected] : cases) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (locale != nullptr)
            environment.insert(u"LC_ALL"_s, QString::fromLatin1(locale));
        const ProcessResult run =
            run_tessary(arguments + QStringList{u"--data-dir"_s, folder.path()}, environment);
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        EXPECT_EQ(run.out.count(expected), 1) << run.out.constData();
    }
}

} // namespace
