#include "DataFolder.h"
#include "MeasurementFactory.h"
#include "TessaryProcess.h"
#include "model/DomainJson.h"
#include "store/HistoryJson.h"

#include <gtest/gtest.h>

namespace {

// Noon, 45 days from today, in the test's time zone, which the child inherits.
QDateTime expires_at()
{
    return QDateTime(QDate::currentDate().addDays(45), QTime(12, 0)).toUTC();
}

const QString secure_id = QStringLiteral("2c1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9");

struct OutputCase {
    const char* name;
    QStringList arguments;
    const char* locale;  // nullptr: the test's own
    QByteArray expected; // empty: the expiry as JSON
};

class CertificateOutput : public ::testing::TestWithParam<OutputCase> {};

// A secure domain whose newest measurement failed before the handshake (the
// one before it counts), and a plain HTTP one, which shows nothing.
TEST_P(CertificateOutput, shows_the_days_left_of_the_secure_domain_only)
{
    MonitoredDomain secure, plain;
    secure.id = QUuid::fromString(secure_id);
    secure.url_string = QStringLiteral("https://secure.example");
    plain.id = QUuid::createUuid();
    plain.url_string = QStringLiteral("http://plain.example");
    const DomainMeasurement refused = failed(0.1, 60), unsecured = successful(0.2);
    DomainMeasurement older = unsecured;
    older.certificate_expires_at = expires_at();
    DataFolder folder;
    folder.write(QStringLiteral("domains.json"), DomainJson::encode_list({secure, plain}));
    folder.write(QStringLiteral("measurement_history.json"),
                 HistoryJson::encode({{secure.id, {refused, older}}, {plain.id, {unsecured}}}));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (GetParam().locale != nullptr)
        environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(GetParam().locale));
    const ProcessResult run =
        run_tessary(GetParam().arguments + QStringList{QStringLiteral("--data-dir"), folder.path()},
                    environment);
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QByteArray expected =
        !GetParam().expected.isEmpty()
            ? GetParam().expected
            : "\"certificate_expires_at\":\"" + expires_at().toString(Qt::ISODate).toLatin1() + '"';
    EXPECT_EQ(run.out.count(expected), 1) << run.out.constData();
}

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
                   {QStringLiteral("stats"), secure_id},
                   nullptr,
                   "https://secure.example\n  Certificate valid for 45 more days\n"},
        OutputCase{"list_json", {QStringLiteral("list"), QStringLiteral("--json")}, nullptr, {}},
        OutputCase{"stats_json",
                   {QStringLiteral("stats"), QStringLiteral("--json"), secure_id},
                   nullptr,
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
