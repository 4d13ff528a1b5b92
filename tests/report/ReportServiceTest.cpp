#include "LanguagePreferenceTest.h"
#include "report/TessaryReportService.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Compares with a file under tests/data/report; TESSARY_UPDATE_GOLDEN=1 rewrites
// the file instead, for a reviewed change of the format.
void expect_golden(const QByteArray& actual, const char* name)
{
    QFile file(QStringLiteral(TESSARY_TEST_DATA_DIR "/report/") + QString::fromLatin1(name));
    if (qEnvironmentVariableIntValue("TESSARY_UPDATE_GOLDEN") == 1) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
        file.write(actual);
        return;
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    EXPECT_EQ(actual.toStdString(), file.readAll().toStdString());
}

// A domain whose history exercises every column: quotes, commas and line breaks
// in texts, absent values, rounding, a local network issue and header order.
MonitoredDomain sample_domain()
{
    MonitoredDomain domain;
    domain.id = QUuid(u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s);
    domain.url_string = u"https://www.example.com/status?x=1"_s;
    domain.interval_seconds = 60;
    domain.user_agent = u"Tessarybot \"quoted\""_s;

    DomainMeasurement full;
    full.id = QUuid(u"11111111-1111-4111-8111-111111111111"_s);
    full.measured_at = QDateTime(QDate(2025, 1, 31), QTime(9, 15, 2, 417), Qt::UTC);
    full.url_string = u"https://www.example.com/status?x=1"_s;
    full.dns_time = 0.1234567;
    full.connect_time = 0.0201;
    full.ssl_time = 0.03;
    full.ttfb_time = 0.25;
    full.total_time = 0.4;
    full.network_baseline_time = 0.08;
    full.http_status = 304;
    full.response_x_headers = {{u"x-served-by"_s, u"cache-ams, cache-fra"_s},
                               {u"X-Cache"_s, u"HIT"_s},
                               {u"x-amz-id"_s, u"a\"b"_s}};

    DomainMeasurement failed;
    failed.id = QUuid(u"22222222-2222-4222-8222-222222222222"_s);
    failed.measured_at = QDateTime(QDate(2025, 1, 31), QTime(9, 14), Qt::UTC);
    failed.total_time = 15.0;
    failed.error_message = u"Timeout, \"really\"\nsecond line"_s;

    DomainMeasurement not_found;
    not_found.id = QUuid(u"33333333-3333-4333-8333-333333333333"_s);
    not_found.measured_at = QDateTime(QDate(2025, 1, 31), QTime(9, 13), Qt::UTC);
    not_found.total_time = 1.5;
    not_found.http_status = 404;

    DomainMeasurement local;
    local.id = QUuid(u"44444444-4444-4444-8444-444444444444"_s);
    local.measured_at = QDateTime(QDate(2025, 1, 31), QTime(9, 12), Qt::UTC);
    local.total_time = 2.0;
    local.http_status = 503;
    local.is_local_network_issue = true;
    local.network_baseline_time = 1.75;

    domain.measurements = {full, failed, not_found, local};
    domain.refresh_statistics();
    return domain;
}

class ReportService : public LanguagePreferenceTest {
protected:
    void SetUp() override { L10n::set_selected_language(AppLanguage::english); }
};

TEST_F(ReportService, csv_matches_the_golden_file)
{
    expect_golden(TessaryReportService::csv_string(sample_domain()).toUtf8(), "sample.csv");
}

TEST_F(ReportService, json_export_is_pretty_sorted_and_matches_the_golden_file)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_FALSE(TessaryReportService::write_json(sample_domain(), buffer));
    expect_golden(buffer.data(), "sample.json");
}

TEST_F(ReportService, a_domain_without_measurements_exports_only_the_header_line)
{
    MonitoredDomain empty;
    empty.url_string = u"https://example.com"_s;
    const QString csv = TessaryReportService::csv_string(empty);
    EXPECT_EQ(csv, TessaryReportService::csv_string(sample_domain()).section(u'\n', 0, 0) + u'\n');
}

TEST_F(ReportService, file_names_carry_the_host_with_unsafe_characters_replaced)
{
    const QDate today(2025, 1, 31);
    MonitoredDomain domain;
    const std::pair<const char*, const char*> cases[] = {
        {"https://[2001:db8::1]:8443/", "2001-db8--1 2025-01-31.json"},
        {"weird:name?*|\"<>%\\", "weird-name-------- 2025-01-31.json"}};
    for (const auto& [url, name] : cases) {
        domain.url_string = QString::fromLatin1(url);
        EXPECT_EQ(TessaryReportService::proposed_json_file_name(domain, today),
                  QString::fromLatin1(name));
    }
    domain.url_string = u"https://example.com/a/b"_s;
    EXPECT_EQ(TessaryReportService::proposed_csv_file_name(domain, today),
              u"example.com 2025-01-31.csv"_s);
    EXPECT_EQ(TessaryReportService::proposed_report_file_name(today),
              u"Tessary Report 2025-01-31.pdf"_s);
    L10n::set_selected_language(AppLanguage::dutch);
    EXPECT_EQ(TessaryReportService::proposed_pdf_file_name(domain, today),
              u"example.com Rapport 2025-01-31.pdf"_s);
    EXPECT_EQ(TessaryReportService::proposed_report_file_name(today),
              u"Tessary Rapport 2025-01-31.pdf"_s);
}

TEST_F(ReportService, a_failing_device_is_reported)
{
    QBuffer closed;
    const auto error = TessaryReportService::write_csv(sample_domain(), closed);
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isEmpty());
}

} // namespace
