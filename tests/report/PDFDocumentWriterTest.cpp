#include "report/PDFDocumentWriter.h"

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

// A section title and a table header both need 24 points below the cursor; the title
// advances by 20, the header by 21.
TEST_F(WriterTest, a_band_breaks_the_page_only_when_it_would_not_fit)
{
    const QList<PDFDocumentWriter::TableColumn> columns = {{u"Date"_s, 75.0}, {u"Error"_s, 699.0}};
    struct Case {
        bool table_header;
        double start;
        bool breaks;
        double end;
    };
    for (const Case c : {Case{false, 537.0, false, 557.0}, Case{false, 537.5, true, 54.0},
                         Case{true, 537.0, false, 558.0}, Case{true, 537.25, true, 55.0}}) {
        SCOPED_TRACE(testing::Message() << c.table_header << " at " << c.start);
        writer->begin_page();
        const int pages = writer->page_count();
        move_to(c.start);
        if (c.table_header)
            writer->draw_table_header(columns);
        else
            writer->draw_section_title(u"Heartbeat"_s, 0.0);
        EXPECT_EQ(writer->page_count(), pages + (c.breaks ? 1 : 0));
        EXPECT_EQ(writer->y(), c.end);
    }
    // Four cards to a row, 52 points a row; cards never break the page.
    const std::pair<int, double> rows[] = {{0, 0.0}, {4, 52.0}, {5, 104.0}, {9, 156.0}};
    for (const auto& [count, advance] : rows) {
        writer->begin_page();
        move_to(500.0);
        const int pages = writer->page_count();
        writer->draw_metric_cards(cards(count));
        EXPECT_EQ(writer->y(), 500.0 + advance) << count << " cards";
        EXPECT_EQ(writer->page_count(), pages);
    }
    // A table row advances by 18 and never breaks by itself.
    move_to(555.0);
    writer->draw_table_row(columns, {u"1/31/25"_s, u"timeout"_s}, ReportColor::red);
    EXPECT_EQ(writer->y(), 573.0);
}

TEST(PDFDocumentWriterDevice, a_device_that_is_not_writable_gives_no_open_writer)
{
    QBuffer closed;
    PDFDocumentWriter writer(closed, u"Test"_s);
    EXPECT_FALSE(writer.is_open());
}
