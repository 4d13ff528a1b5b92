#pragma once

#include "report/ReportColor.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <list>
#include <memory>
#include <utility>

class QIODevice;

// Draws a PDF of A4 landscape pages (842 x 595 points, one drawing unit is one
// point, top-left origin) into a device, and flows content down the page: a
// vertical cursor `y` marks the top of the next thing to draw, and the blocks that
// need room begin a new page when they would end below the bottom margin.
class PDFDocumentWriter {
public:
    static constexpr double page_width = 842.0;
    static constexpr double page_height = 595.0;
    static constexpr double margin = 34.0;
    static constexpr double content_left = margin;
    static constexpr double content_width = page_width - 2.0 * margin; // 774
    // The lowest bottom that content may reach.
    static constexpr double content_bottom = page_height - margin; // 561

    // One table column: its title and width in points.
    struct TableColumn {
        QString title;
        double width = 0.0;
    };

    // Opens the document on `output` (open for writing) and begins the first page.
    // `title` is the document's title; its creator is "Tessary".
    PDFDocumentWriter(QIODevice& output, const QString& title);
    ~PDFDocumentWriter();
    PDFDocumentWriter(const PDFDocumentWriter&) = delete;
    PDFDocumentWriter& operator=(const PDFDocumentWriter&) = delete;

    // False when the drawing context could not be opened; nothing can be drawn then.
    bool is_open() const { return painter_.isActive(); }
    // Ends the open page and writes the end of the document. Nothing may be drawn after.
    void finish();

    double y() const { return y_; }
    int page_count() const { return page_count_; }

    // Ends the open page and begins the next one, with the cursor at the top margin.
    void begin_page();
    // Moves the cursor down by `points` (space between blocks).
    void advance(double points) { y_ += points; }

    // The height of `text` wrapped at the content width: at least the point size + 4.
    double text_block_height(const QString& text, double point_size, QFont::Weight weight) const;

    // 19 pt bold, label colour, wrapped; advances by its height + 2.
    void draw_title(const QString& text);
    // Wrapped text; advances by its height + 2. Begins a new page first when the
    // block would end below the bottom margin and the page already has content.
    void draw_paragraph(const QString& text, double point_size, QFont::Weight weight,
                        ReportColor color);
    // 11 pt semibold on one line; advances by 20. Begins a new page when fewer than
    // 24 points are left, or when the title and the `keep_with` points of content
    // drawn right below it would not fit.
    void draw_section_title(const QString& text, double keep_with = 0.0);
    // Cards of (label, value), four to a row, 52 points per row. Never breaks the page.
    void draw_metric_cards(const QList<std::pair<QString, QString>>& cards);
    // The header band of a table; advances by 21.
    void draw_table_header(const QList<TableColumn>& columns);
    // One row of single-line cells under `columns`, 7.5 pt; advances by 18. The
    // row goes out as one piece of text: a long table costs little more than its glyphs.
    void draw_table_row(const QList<TableColumn>& columns, const QStringList& cells,
                        ReportColor color);

    // The width of `text` on one line, in points.
    double text_width(const QString& text, double point_size, QFont::Weight weight);
    // One line of text in `box`, cut at the tail with an ellipsis when too long.
    void draw_line(const QString& text, const QRectF& box, double point_size, QFont::Weight weight,
                   ReportColor color);
    void fill_rect(const QRectF& rect, ReportColor color, double alpha = 1.0);
    // Rectangles of one colour; a run of calls in one colour names it once.
    void fill_rects(const QList<QRectF>& rects, ReportColor color);
    // Filled circles of `diameter` on `centres`.
    void draw_dots(const QList<QPointF>& centres, double diameter, ReportColor color);
    // Stroked polylines; `dash` holds on/off lengths in points (empty for solid).
    void stroke_polyline(const QPolygonF& points, double width, ReportColor color,
                         const QList<double>& dash = {});

    static QFont font(double point_size, QFont::Weight weight);

private:
    // A font with its metrics on this document, made once per size and weight,
    // and the glyphs of the single lines drawn in it: a table repeats its texts
    // (dates, a URL, an error), and laying one out costs far more than drawing it.
    struct FontEntry {
        double point_size;
        QFont::Weight weight;
        QFont font;
        QFontMetricsF metrics;
        // By text and width: the line, cut to the width, with its top-left at 0, 0.
        QHash<std::pair<QString, double>, QList<QGlyphRun>> lines;
    };
    FontEntry& font_entry(double point_size, QFont::Weight weight);
    const QList<QGlyphRun>& line_glyphs(FontEntry& entry, const QString& text, double width);
    void stroke_path(const QPainterPath& path, double width, ReportColor color,
                     const QList<double>& dash, Qt::PenCapStyle cap = Qt::FlatCap);

    // A list, so entries stay where they are while more are made.
    std::list<FontEntry> fonts_;
    std::unique_ptr<QPdfWriter> pdf_;
    QPainter painter_;
    double y_ = margin;
    int page_count_ = 0;
    bool page_is_open_ = false;
};
