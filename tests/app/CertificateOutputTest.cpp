#include "DataFolder.h"
#include "TessaryProcess.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

const QUuid secure_id = QUuid::fromString(QStringLiteral("2C1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"));

// Noon, 45 days from today, in the test's time zone (which the child inherits).
QDateTime expiry_in_45_days()
{
    return QDateTime(QDate::currentDate().addDays(45), QTime(12, 0));
}

struct OutputCase {
    const char* name;
    QStringList arguments;
    const char* locale; // nullptr: the test's own
    QByteArray expected;
};

void PrintTo(const OutputCase& c, std::ostream* out)
{
    *out << c.name;
}

class CertificateOutput : public ::testing::TestWithParam<OutputCase> {
protected:
    void SetUp() override
    {
        MonitoredDomain secure;
        secure.id = secure_id;
        secure.url_string = QStringLiteral("https://secure.example");
        MonitoredDomain plain;
        plain.id = QUuid::createUuid();
        plain.url_string = QStringLiteral("http://plain.example");
        folder.write(QStringLiteral("domains.json"), DomainJson::encode_list({secure, plain}));

        // The newest measurement failed before the handshake: the one before counts.
        DomainMeasurement newest;
        newest.id = QUuid::createUuid();
        newest.measured_at = QDateTime::currentDateTimeUtc().addSecs(-60);
        newest.error_message = QStringLiteral("Connection refused");
        DomainMeasurement older = newest;
        older.id = QUuid::createUuid();
        older.measured_at = newest.measured_at.addSecs(-60);
        older.error_message.reset();
        older.http_status = 200;
        older.certificate_expires_at = expiry_in_45_days().toUTC();
        DomainMeasurement unsecured = older;
        unsecured.id = QUuid::createUuid();
        unsecured.certificate_expires_at = QDateTime();
        folder.write(QStringLiteral("measurement_history.json"),
                     HistoryJson::encode({{secure.id, {newest, older}}, {plain.id, {unsecured}}}));
    }

    DataFolder folder;
};

TEST_P(CertificateOutput, shows_the_days_left_of_the_secure_domain_only)
{
    const OutputCase& c = GetParam();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (c.locale != nullptr)
        environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(c.locale));
    const ProcessResult run = run_tessary(
        c.arguments + QStringList{QStringLiteral("--data-dir"), folder.path()}, environment);
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(run.out.count(c.expected), 1) << run.out.constData();
}

const QString secure_argument = secure_id.toString(QUuid::WithoutBraces);
const QByteArray expiry_json = "\"certificate_expires_at\":\"" +
                               expiry_in_45_days().toUTC().toString(Qt::ISODate).toLatin1() + '"';

INSTANTIATE_TEST_SUITE_P(
    Commands, CertificateOutput,
    ::testing::Values(
        OutputCase{"list",
                   {QStringLiteral("list")},
                   nullptr,
                   "\n    Certificate valid for 45 more days\n"},
        OutputCase{"list_dutch",
                   {QStringLiteral("list")},
                   "nl_NL.UTF-8",
                   "\n    Certificaat nog 45 dagen geldig\n"},
        OutputCase{"stats",
                   {QStringLiteral("stats"), secure_argument},
                   nullptr,
                   "https://secure.example\n  Certificate valid for 45 more days\n"},
        OutputCase{
            "list_json", {QStringLiteral("list"), QStringLiteral("--json")}, nullptr, expiry_json},
        OutputCase{"stats_json",
                   {QStringLiteral("stats"), QStringLiteral("--json"), secure_argument},
                   nullptr,
                   expiry_json}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
