#include "report/PDFDocumentWriter.h"

#include "Poppler.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A writer on a buffer of its own, with the cursor moved to `y` on the first page.
class WriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        buffer.open(QIODevice::WriteOnly);
        writer = std::make_unique<PDFDocumentWriter>(buffer, u"Test"_s);
        ASSERT_TRUE(writer->is_open());
    }

    void move_to(double y) { writer->advance(y - writer->y()); }

    QBuffer buffer;
    std::unique_ptr<PDFDocumentWriter> writer;
};

QList<std::pair<QString, QString>> cards(int count)
{
    QList<std::pair<QString, QString>> result;
    for (int i = 0; i < count; ++i)
        result.append({u"Label %1"_s.arg(i), u"%1 ms"_s.arg(i)});
    return result;
}

const QList<PDFDocumentWriter::TableColumn> columns = {{u"Date"_s, 75.0}, {u"Error"_s, 699.0}};

} // namespace

TEST_F(WriterTest, a_long_title_wraps_and_pushes_the_cursor_by_its_full_height)
{
    const QString host = u"a-very-long-subdomain-name-for-testing-wrapping."_s +
                         u"another-long-label-of-the-host."_s.repeated(4) + u"example.com"_s;
    const double one_line = writer->text_block_height(u"example.com"_s, 19.0, QFont::Bold);
    const double height = writer->text_block_height(host, 19.0, QFont::Bold);
    EXPECT_GT(height, 2.0 * one_line);
    writer->draw_title(host);
    EXPECT_EQ(writer->y(), 34.0 + height + 2.0);
    EXPECT_EQ(writer->page_count(), 1);
}

TEST_F(WriterTest, a_paragraph_that_would_end_below_the_margin_starts_a_new_page)
{
    const QString text = u"Generated: 1/31/25, 9:15:02 AM"_s;
    const double height = writer->text_block_height(text, 10.0, QFont::Normal);
    EXPECT_EQ(height, 14.0);
    move_to(561.0 - height - 2.0);
    writer->draw_paragraph(text, 10.0, QFont::Normal, ReportColor::secondary_label);
    EXPECT_EQ(writer->page_count(), 1);
    EXPECT_EQ(writer->y(), 561.0);

    writer->begin_page();
    move_to(561.0 - height - 1.5);
    writer->draw_paragraph(text, 10.0, QFont::Normal, ReportColor::secondary_label);
    EXPECT_EQ(writer->page_count(), 3);
    EXPECT_EQ(writer->y(), 34.0 + height + 2.0);
}

TEST_F(WriterTest, a_block_taller_than_a_page_leaves_no_empty_page_behind)
{
    const QString text = u"Lorem ipsum dolor sit amet. "_s.repeated(900);
    writer->draw_paragraph(text, 9.0, QFont::Normal, ReportColor::label);
    EXPECT_EQ(writer->page_count(), 1);
    EXPECT_GT(writer->y(), 561.0);
    // The next block goes to a new page.
    writer->draw_paragraph(u"Next"_s, 9.0, QFont::Normal, ReportColor::label);
    EXPECT_EQ(writer->page_count(), 2);
    EXPECT_EQ(writer->y(), 34.0 + 13.0 + 2.0);
}

struct BreakCase {
    bool table_header;
    double start;
    int pages;
    double end;
    double keep_with = 0.0; // the height of a chart a section title is kept with
};

class BandBreak : public WriterTest, public ::testing::WithParamInterface<BreakCase> {};

// A section title and a table header both need 24 points below the cursor; the title
// advances by 20, the header by 21.
TEST_P(BandBreak, at_the_boundary)
{
    const BreakCase c = GetParam();
    move_to(c.start);
    if (c.table_header)
        writer->draw_table_header(columns);
    else
        writer->draw_section_title(u"Heartbeat"_s, c.keep_with);
    EXPECT_EQ(writer->page_count(), c.pages);
    EXPECT_EQ(writer->y(), c.end);
}

INSTANTIATE_TEST_SUITE_P(
    Boundary, BandBreak,
    ::testing::Values(BreakCase{false, 34.0, 1, 54.0}, BreakCase{false, 537.0, 1, 557.0},
                      BreakCase{false, 537.5, 2, 54.0}, BreakCase{false, 560.0, 2, 54.0},
                      BreakCase{true, 100.0, 1, 121.0}, BreakCase{true, 537.0, 1, 558.0},
                      BreakCase{true, 537.25, 2, 55.0}));

struct CardCase {
    int count;
    double advance;
};

class MetricCards : public WriterTest, public ::testing::WithParamInterface<CardCase> {};

// Four cards to a row, 52 points a row; cards never break the page.
TEST_P(MetricCards, advance_by_whole_rows)
{
    const CardCase c = GetParam();
    move_to(500.0);
    writer->draw_metric_cards(cards(c.count));
    EXPECT_EQ(writer->y(), 500.0 + c.advance);
    EXPECT_EQ(writer->page_count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, MetricCards,
                         ::testing::Values(CardCase{0, 0.0}, CardCase{1, 52.0}, CardCase{4, 52.0},
                                           CardCase{5, 104.0}, CardCase{8, 104.0},
                                           CardCase{9, 156.0}));

TEST_F(WriterTest, a_table_row_advances_by_eighteen_and_never_breaks_by_itself)
{
    move_to(555.0);
    writer->draw_table_row(columns, {u"1/31/25"_s, u"timeout"_s}, ReportColor::red);
    EXPECT_EQ(writer->y(), 573.0);
    EXPECT_EQ(writer->page_count(), 1);
}

TEST_F(WriterTest, finishing_writes_a_complete_document)
{
    writer->draw_title(u"Tessary Report"_s);
    writer->begin_page();
    writer->finish();
    const QByteArray& bytes = buffer.data();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(Poppler::info(bytes).value(u"Pages"_s), u"2"_s);
}

TEST(PDFDocumentWriterDevice, a_device_that_is_not_writable_gives_no_open_writer)
{
    QBuffer closed;
    PDFDocumentWriter writer(closed, u"Test"_s);
    EXPECT_FALSE(writer.is_open());
}
