#include "LanguagePreferenceTest.h"
#include "Poppler.h"
#include "ReportTestData.h"
#include "i18n/MeasurementFormatter.h"
#include "report/ReportContent.h"
#include "report/TessaryPDFRenderer.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using namespace ReportTestData;

namespace {

const QDateTime generated_at = at(12, 0);

QByteArray rendered(const QList<MonitoredDomain>& domains)
{
    auto pdf = TessaryPDFRenderer::render(domains, generated_at);
    EXPECT_TRUE(pdf.has_value());
    return pdf ? *pdf : QByteArray();
}

// Failures at 10:00-10:02, a success at 10:03; a slower answer later on.
MonitoredDomain example_domain()
{
    QList<DomainMeasurement> history = {
        failure(at(10, 0), 503), failure(at(10, 1), 503),
        failure(at(10, 2), std::nullopt, u"The request timed out."_s), success(at(10, 3), 0.25)};
    for (int minute = 4; minute < 30; ++minute)
        history.append(success(at(10, minute), minute == 20 ? 2.4 : 0.3));
    return domain_with(history, u"https://shop.example.com/health"_s);
}

// English unless a test chooses otherwise.
class PDFReport : public LanguagePreferenceTest {
protected:
    void SetUp() override
    {
        LanguagePreferenceTest::SetUp();
        L10n::set_selected_language(AppLanguage::english);
    }
};

} // namespace

TEST_F(PDFReport, no_domains_give_one_page_with_the_report_header)
{
    const QByteArray pdf = rendered({});
    const QMap<QString, QString> info = Poppler::info(pdf);
    EXPECT_EQ(info.value(u"Pages"_s), u"1"_s);
    EXPECT_TRUE(info.value(u"Page size"_s).startsWith(u"842 x 595 pts"_s))
        << info.value(u"Page size"_s).toStdString();
    EXPECT_EQ(info.value(u"Title"_s), u"Tessary Report"_s);
    EXPECT_EQ(info.value(u"Creator"_s), u"Tessary"_s);
    EXPECT_EQ(Poppler::text(pdf),
              Poppler::normalized(u"Tessary Report Generated: "_s +
                                  MeasurementFormatter::date_time().string(generated_at) +
                                  u" Domains: 0 Measurements: 0"_s));
}

TEST_F(PDFReport, only_local_network_issues_leave_nothing_to_assess)
{
    const QByteArray pdf =
        rendered({domain_with({local_network_issue(at(10, 0)), local_network_issue(at(10, 1))})});
    const QString text = Poppler::text(pdf);
    // No average, fastest, highest or uptime; two calls, nothing assessed.
    EXPECT_TRUE(text.contains(QStringLiteral(
        "Average P15-P85 Fastest Highest Uptime - - - - Calls Disturbances Downtime Interval 2 0 0 "
        "60s")))
        << text.toStdString();
    Poppler::expect_in_order(
        text,
        {u"Heartbeat"_s, u"Total Time"_s, u"No successful measurements available."_s,
         u"Downtime Moments"_s, u"No downtime was recorded during this period."_s,
         u"Interpretation"_s, u"Availability is - (not available), based on 0 assessed calls."_s});
}

TEST_F(PDFReport, a_domain_section_in_english_in_reading_order)
{
    const MonitoredDomain domain = example_domain();
    const QByteArray pdf = rendered({domain});
    // The interpretation goes on on a second page.
    EXPECT_EQ(Poppler::info(pdf).value(u"Pages"_s), u"2"_s);
    const QDateTime failed_at = at(10, 0);
    const ReportMeasurements measurements = ReportMeasurements::of(domain);
    const QStringList expected = {
        u"Tessary Report"_s,
        u"Domains: 1 Measurements: 30"_s,
        u"shop.example.com"_s,
        u"https://shop.example.com/health"_s,
        u"Data period: "_s + ReportContent::date_range(measurements.first, measurements.last),
        // The cards are read row by row: four labels, then their values.
        QStringLiteral("Average P15-P85 Fastest Highest Uptime 300 ms 250 ms 2.40 s 90.00% "
                       "Calls Disturbances Downtime Interval 30 0 1 60s"),
        u"Heartbeat"_s,
        u"Total Time"_s,
        u"8.80 s"_s,
        u"0 ms"_s,
        u"Downtime Moments"_s,
        u"Date Time Duration HTTP URL Error"_s,
        MeasurementFormatter::date().string(failed_at) + QLatin1Char(' ') +
            MeasurementFormatter::time().string(failed_at) +
            u" 3.0 min 503 https://shop.example.com/health HTTP request failed"_s,
        u"Interpretation"_s,
        u"The average TTFB is 200 ms: good."_s,
        u"The fastest request was 250 ms and the highest was 2.40 s. The trimmed "
        u"connection-phase averages are DNS 10 ms, TCP connect 20 ms, and TLS 30 ms."_s,
        u"Availability is 90.00% (poor), based on 30 assessed calls. The report contains 3 "
        u"failed calls and"_s,
        u"Reference: https://web.dev/articles/ttfb"_s,
    };
    Poppler::expect_in_order(Poppler::text(pdf), expected);

    // Fonts are embedded, so every machine shows the same. After pdffonts' two
    // header lines: name type encoding emb sub uni object ID.
    const QStringList fonts = Poppler::run(u"pdffonts"_s, {}, pdf).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GT(fonts.size(), 2);
    for (const QString& line : fonts.mid(2)) {
        const QStringList columns = line.split(u' ', Qt::SkipEmptyParts);
        ASSERT_GE(columns.size(), 7) << line.toStdString();
        EXPECT_EQ(columns[columns.size() - 5], u"yes"_s) << line.toStdString();
    }
}

TEST_F(PDFReport, a_domain_section_in_dutch)
{
    L10n::set_selected_language(AppLanguage::dutch);
    const QByteArray pdf = rendered({example_domain()});
    EXPECT_EQ(Poppler::info(pdf).value(u"Title"_s), u"Tessary Rapport"_s);
    Poppler::expect_in_order(
        Poppler::text(pdf),
        {u"Tessary Rapport Gegenereerd: "_s, u"Domeinen: 1 Metingen: 30"_s,
         QStringLiteral("Gemiddelde P15-P85 Snelste Hoogste Uptime 300 ms 250 ms 2,40 s "
                        "90,00% Calls Verstoringen Downtime Interval 30 0 1 60s"),
         u"Totale tijd"_s, u"8,80 s"_s, u"Datum Tijd Duur HTTP URL Fout"_s,
         u"3,0 min 503 https://shop.example.com/health HTTP-request mislukt"_s, u"Toelichting"_s,
         u"Bron: https://web.dev/articles/ttfb"_s});
}

TEST_F(PDFReport, every_further_domain_starts_on_a_new_page)
{
    const QByteArray pdf = rendered({example_domain(), domain_with({}), example_domain()});
    // A full section takes two pages, one without measurements a page of its own.
    EXPECT_EQ(Poppler::info(pdf).value(u"Pages"_s), u"5"_s);
    EXPECT_TRUE(Poppler::text(pdf, 1, 1).startsWith(u"Tessary Report Generated: "_s));
    EXPECT_EQ(Poppler::text(pdf, 3, 3),
              u"example.com https://example.com/ No measurements available."_s);
    EXPECT_TRUE(Poppler::text(pdf, 4, 4).startsWith(
        u"shop.example.com https://shop.example.com/health Data period: "_s));
}

TEST_F(PDFReport, a_long_downtime_table_continues_under_a_repeated_title_and_header)
{
    // Eighty failures ten minutes apart, each its own period closed by a success.
    QList<DomainMeasurement> history;
    for (int i = 0; i < 80; ++i) {
        history.append(failure(at(0, 0).addSecs(600 * i), 500));
        history.append(success(at(0, 0).addSecs(600 * i + 30)));
    }
    const QByteArray pdf = rendered({domain_with(history, u"https://status.example.org/"_s)});
    const int pages = Poppler::info(pdf).value(u"Pages"_s).toInt();
    EXPECT_GE(pages, 3);
    int rows = 0;
    for (int page = 1; page <= pages; ++page) {
        const QString text = Poppler::text(pdf, page, page);
        if (page > 1 && text.contains(u"< 1 min"_s)) {
            EXPECT_TRUE(text.startsWith(
                u"status.example.org - Downtime Date Time Duration HTTP URL Error"_s))
                << "page " << page << ": " << text.left(120).toStdString();
        }
        rows += int(text.count(u"< 1 min 500 https://status.example.org/"_s));
    }
    EXPECT_EQ(rows, 80);
    // The interpretation follows the table on its last page.
    EXPECT_TRUE(Poppler::text(pdf, pages, pages).contains(u"Interpretation"_s));
}

class LongUrlReport : public PDFReport, public ::testing::WithParamInterface<int> {};

// However long a domain's title and URL, no text runs into the bottom margin: the
// cards, and the chart with its title, move to the next page when they would.
TEST_P(LongUrlReport, keeps_every_line_above_the_bottom_margin)
{
    QString url = u"https://example.com/"_s;
    while (url.size() < GetParam())
        url += u"section-%1/"_s.arg(url.size());
    MonitoredDomain domain = example_domain();
    domain.url_string = url;
    const QByteArray pdf = rendered({domain});
    const QList<Poppler::Word> words = Poppler::words(pdf);
    ASSERT_FALSE(words.isEmpty());
    for (const Poppler::Word& word : words)
        EXPECT_LE(word.bottom, 561.5) << "page " << word.page << ": " << word.text.toStdString();
    // The chart's scale is on one page with its title.
    int title_page = 0;
    int scale_page = 0;
    for (qsizetype i = 0; i + 1 < words.size(); ++i) {
        if (words[i].text == QLatin1String("Total") && words[i + 1].text == QLatin1String("Time"))
            title_page = words[i].page;
        if (words[i].text == QLatin1String("8.80"))
            scale_page = words[i].page;
    }
    EXPECT_GT(title_page, 0);
    EXPECT_EQ(scale_page, title_page);
}

// About 2,000 characters push the chart, about 4,500 the cards, to a new page.
INSTANTIATE_TEST_SUITE_P(Lengths, LongUrlReport, ::testing::Values(100, 2000, 4500));
