#include "report/PDFDocumentWriter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

// Wrapped like running text: at word boundaries, and inside a word only when the
// word alone is wider than the line (a long URL).
void lay_out(QTextLayout& layout, double width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    double height = 0.0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0.0, height));
        height += line.height();
    }
    layout.endLayout();
}

// One line without wrapping; returns its width.
double lay_out_line(QTextLayout& layout)
{
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setPosition(QPointF(0.0, 0.0));
    layout.endLayout();
    return line.naturalTextWidth();
}

// `run` moved by `offset` onto the end of `runs`: joined with the last run when
// that one has the same font, so that it goes out as one piece of text.
void append_moved(QList<QGlyphRun>& runs, const QGlyphRun& run, QPointF offset)
{
    QList<QPointF> positions = run.positions();
    for (QPointF& position : positions)
        position += offset;
    if (!runs.isEmpty() && runs.last().rawFont() == run.rawFont()) {
        QGlyphRun& last = runs.last();
        last.setGlyphIndexes(last.glyphIndexes() + run.glyphIndexes());
        last.setPositions(last.positions() + positions);
        return;
    }
    QGlyphRun moved = run;
    moved.setPositions(positions);
    runs.append(moved);
}

double laid_out_height(const QTextLayout& layout)
{
    if (layout.lineCount() == 0)
        return 0.0;
    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
    return last.position().y() + last.height();
}

} // namespace

PDFDocumentWriter::PDFDocumentWriter(QIODevice& output, const QString& title)
    : pdf_(std::make_unique<QPdfWriter>(&output))
{
    pdf_->setResolution(72);
    pdf_->setPageLayout(QPageLayout(QPageSize(QSizeF(page_width, page_height), QPageSize::Point,
                                              QString(), QPageSize::ExactMatch),
                                    QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                    QPageLayout::Point));
    pdf_->setTitle(title);
    pdf_->setCreator(QStringLiteral("Tessary"));
    if (!output.isWritable() || !painter_.begin(pdf_.get()))
        return;
    // The painter opens the first page itself.
    painter_.save();
    page_is_open_ = true;
    page_count_ = 1;
    y_ = margin;
}

PDFDocumentWriter::~PDFDocumentWriter()
{
    finish();
}

void PDFDocumentWriter::finish()
{
    if (!painter_.isActive())
        return;
    if (page_is_open_)
        painter_.restore();
    page_is_open_ = false;
    painter_.end();
}

void PDFDocumentWriter::begin_page()
{
    if (!painter_.isActive())
        return;
    // Each page starts from the same state: what one page set never leaks into the next.
    if (page_is_open_)
        painter_.restore();
    pdf_->newPage();
    painter_.save();
    page_is_open_ = true;
    ++page_count_;
    y_ = margin;
}

QFont PDFDocumentWriter::font(double point_size, QFont::Weight weight)
{
    static const QFont system_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QFont font = system_font;
    font.setPointSizeF(point_size);
    font.setWeight(weight);
    font.setItalic(false);
    font.setUnderline(false);
    // No ligatures: "fi" stays two letters, so the text is found when searched or copied.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

PDFDocumentWriter::FontEntry& PDFDocumentWriter::font_entry(double point_size, QFont::Weight weight)
{
    for (FontEntry& entry : fonts_) {
        if (entry.point_size == point_size && entry.weight == weight)
            return entry;
    }
    QFont made = font(point_size, weight);
    fonts_.push_back({point_size, weight, made, QFontMetricsF(made, pdf_.get()), {}});
    return fonts_.back();
}

const QList<QGlyphRun>& PDFDocumentWriter::line_glyphs(FontEntry& entry, const QString& text,
                                                       double width)
{
    const std::pair<QString, double> key(text, width);
    if (const auto found = entry.lines.constFind(key); found != entry.lines.cend())
        return *found;
    // Bounded, for histories whose every error text differs.
    if (entry.lines.size() >= 20'000)
        entry.lines.clear();
    // Most cells fit: the text is laid out once, and again only when it must be cut.
    QTextLayout layout(text, entry.font, pdf_.get());
    if (lay_out_line(layout) > width) {
        layout.setText(entry.metrics.elidedText(text, Qt::ElideRight, width));
        lay_out_line(layout);
    }
    return *entry.lines.insert(key, layout.glyphRuns());
}

double PDFDocumentWriter::text_block_height(const QString& text, double point_size,
                                            QFont::Weight weight) const
{
    QTextLayout layout(text, font(point_size, weight), pdf_.get());
    lay_out(layout, content_width);
    return std::max(laid_out_height(layout), point_size + 4.0);
}

void PDFDocumentWriter::draw_title(const QString& text)
{
    draw_paragraph(text, 19.0, QFont::Bold, ReportColor::label);
}

void PDFDocumentWriter::draw_paragraph(const QString& text, double point_size, QFont::Weight weight,
                                       ReportColor color)
{
    QTextLayout layout(text, font(point_size, weight), pdf_.get());
    lay_out(layout, content_width);
    const double height = std::max(laid_out_height(layout), point_size + 4.0);
    // A block taller than a whole page would only leave an empty page behind.
    if (y_ + height + 2.0 > content_bottom && y_ > margin)
        begin_page();
    if (painter_.isActive()) {
        painter_.setPen(color_of(color));
        // Lines past the page's bottom edge are cut off by the page itself.
        layout.draw(&painter_, QPointF(content_left, y_));
    }
    y_ += height + 2.0;
}

void PDFDocumentWriter::draw_section_title(const QString& text, double keep_with)
{
    if (y_ + std::max(24.0, 20.0 + keep_with) > content_bottom)
        begin_page();
    draw_line(text, QRectF(content_left, y_, content_width, 18.0), 11.0, QFont::DemiBold,
              ReportColor::label);
    y_ += 20.0;
}

void PDFDocumentWriter::draw_metric_cards(const QList<std::pair<QString, QString>>& cards)
{
    const double width = (content_width - 24.0) * 0.25;
    for (qsizetype i = 0; i < cards.size(); ++i) {
        const double x = content_left + (width + 8.0) * double(i % 4);
        const double top = y_ + 52.0 * double(i / 4);
        fill_rect(QRectF(x, top, width, 44.0), ReportColor::control_background);
        draw_line(cards[i].first, QRectF(x + 8.0, top + 7.0, width - 16.0, 12.0), 7.5,
                  QFont::Normal, ReportColor::secondary_label);
        draw_line(cards[i].second, QRectF(x + 8.0, top + 21.0, width - 16.0, 17.0), 11.0,
                  QFont::DemiBold, ReportColor::label);
    }
    y_ += 52.0 * double((cards.size() + 3) / 4);
}

void PDFDocumentWriter::draw_table_header(const QList<TableColumn>& columns)
{
    if (y_ + 24.0 > content_bottom)
        begin_page();
    fill_rect(QRectF(content_left, y_, content_width, 18.0), ReportColor::control_background);
    double x = content_left;
    for (const TableColumn& column : columns) {
        draw_line(column.title, QRectF(x, y_ + 2.0, column.width - 4.0, 14.0), 8.0, QFont::DemiBold,
                  ReportColor::label);
        x += column.width;
    }
    y_ += 21.0;
}

void PDFDocumentWriter::draw_table_row(const QList<TableColumn>& columns, const QStringList& cells,
                                       ReportColor color)
{
    if (!painter_.isActive()) {
        y_ += 18.0;
        return;
    }
    FontEntry& entry = font_entry(7.5, QFont::Normal);
    // The cells' glyphs joined into one run per font.
    QList<QGlyphRun> row;
    double x = content_left;
    for (qsizetype i = 0; i < columns.size() && i < cells.size(); ++i) {
        const double width = columns[i].width - 4.0;
        if (!cells[i].isEmpty() && width > 0.0) {
            for (const QGlyphRun& run : line_glyphs(entry, cells[i], width))
                append_moved(row, run, QPointF(x, y_));
        }
        x += columns[i].width;
    }
    painter_.setPen(color_of(color));
    for (const QGlyphRun& run : std::as_const(row))
        painter_.drawGlyphRun(QPointF(0.0, 0.0), run);
    y_ += 18.0;
}

double PDFDocumentWriter::text_width(const QString& text, double point_size, QFont::Weight weight)
{
    return font_entry(point_size, weight).metrics.horizontalAdvance(text);
}

void PDFDocumentWriter::draw_line(const QString& text, const QRectF& box, double point_size,
                                  QFont::Weight weight, ReportColor color)
{
    if (!painter_.isActive() || text.isEmpty() || box.width() <= 0.0)
        return;
    FontEntry& entry = font_entry(point_size, weight);
    painter_.setPen(color_of(color));
    for (const QGlyphRun& run : line_glyphs(entry, text, box.width()))
        painter_.drawGlyphRun(box.topLeft(), run);
}

void PDFDocumentWriter::fill_rect(const QRectF& rect, ReportColor color, double alpha)
{
    if (!painter_.isActive() || rect.width() <= 0.0 || rect.height() <= 0.0)
        return;
    QColor fill = color_of(color);
    fill.setAlphaF(float(alpha));
    painter_.fillRect(rect, fill);
}

void PDFDocumentWriter::fill_rects(const QList<QRectF>& rects, ReportColor color)
{
    if (!painter_.isActive() || rects.isEmpty())
        return;
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(color_of(color));
    // The brush stays: rectangles drawn one after another name their colour once.
    painter_.drawRects(rects.constData(), int(rects.size()));
}

void PDFDocumentWriter::draw_dots(const QList<QPointF>& centres, double diameter, ReportColor color)
{
    // A dot is a stroke of next to no length with round ends: a fifth of the
    // bytes of a circle's curves, and thousands of dots share one path.
    QPainterPath path;
    for (const QPointF& centre : centres) {
        path.moveTo(centre);
        path.lineTo(centre + QPointF(0.01, 0.0));
    }
    stroke_path(path, diameter, color, {}, Qt::RoundCap);
}

void PDFDocumentWriter::stroke_polyline(const QPolygonF& points, double width, ReportColor color,
                                        const QList<double>& dash)
{
    if (points.size() < 2)
        return;
    QPainterPath path;
    path.addPolygon(points);
    stroke_path(path, width, color, dash);
}

void PDFDocumentWriter::stroke_path(const QPainterPath& path, double width, ReportColor color,
                                    const QList<double>& dash, Qt::PenCapStyle cap)
{
    if (!painter_.isActive() || path.isEmpty())
        return;
    QPen pen(color_of(color));
    pen.setWidthF(width);
    pen.setCapStyle(cap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (!dash.isEmpty()) {
        // Qt measures dash lengths in pen widths.
        QList<qreal> pattern;
        for (const double length : dash)
            pattern.append(length / width);
        pen.setDashPattern(pattern);
    }
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPath(path);
    // The dash belongs to this line only.
    painter_.setPen(Qt::NoPen);
}
