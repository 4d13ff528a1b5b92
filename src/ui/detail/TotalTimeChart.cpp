#include "ui/detail/TotalTimeChart.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "ui/AppColors.h"

#include <QDateTime>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace TotalTimeChartData;

namespace {

constexpr qreal left_margin = 58;
constexpr qreal right_margin = 12;
constexpr qreal top_margin = 10;
constexpr qreal bottom_margin = 22;

// Time-axis steps in minutes: the first that gives at most ~7 labels is used.
constexpr int time_steps_minutes[] = {1,   2,   5,   10,   15,   30,    60,    120,
                                      180, 360, 720, 1440, 2880, 10080, 20160, 43200};

QFont caption_font(const QFont& base, qreal factor)
{
    QFont font = base;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

// Symbol areas 42 and 34 square points give these diameters.
qreal point_diameter(DomainMeasurementLevel level)
{
    const bool large =
        level == DomainMeasurementLevel::outage || level == DomainMeasurementLevel::error;
    return std::sqrt(large ? 42.0 : 34.0);
}

QColor point_color(DomainMeasurementLevel level)
{
    switch (level) {
    case DomainMeasurementLevel::delay:
        return AppColors::yellow();
    case DomainMeasurementLevel::disturbance:
        return AppColors::orange();
    default:
        return AppColors::red();
    }
}

} // namespace

TotalTimeChart::TotalTimeChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("total_time_chart"));
    setAccessibleName(L10n::text(u"Total Time History", u"Geschiedenis totale tijd"));
    // Reachable with Tab, so a screen reader reads its summary (the description).
    setFocusPolicy(Qt::TabFocus);
    setMinimumHeight(220);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QSize TotalTimeChart::sizeHint() const
{
    return {600, 220};
}

void TotalTimeChart::set_data(QList<Point> points, QList<ThresholdLine> thresholds)
{
    points_ = std::move(points);
    thresholds_ = std::move(thresholds);
    maximum_ = chart_maximum_total_time(points_);
    geometry_.valid = false;
    update();
}

void TotalTimeChart::resizeEvent(QResizeEvent* event)
{
    geometry_.valid = false;
    QWidget::resizeEvent(event);
}

QPointF TotalTimeChart::position(qint64 ms, double seconds) const
{
    const QRectF& plot = geometry_.plot;
    const double span =
        static_cast<double>(std::max<qint64>(1, geometry_.end_ms - geometry_.start_ms));
    const double x =
        plot.left() + plot.width() * static_cast<double>(ms - geometry_.start_ms) / span;
    const double y = plot.bottom() - plot.height() * seconds / maximum_;
    return {x, y};
}

QPainterPath TotalTimeChart::smoothed_path(const QList<QPointF>& points)
{
    QPainterPath path;
    if (points.isEmpty())
        return path;
    path.moveTo(points.first());
    const qsizetype n = points.size();
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const QPointF p0 = points[std::max<qsizetype>(0, i - 1)];
        const QPointF p1 = points[i];
        const QPointF p2 = points[i + 1];
        const QPointF p3 = points[std::min(n - 1, i + 2)];
        // Tension 0.5: tangents are half the chord between the neighbours.
        QPointF c1 = p1 + (p2 - p0) / 6.0;
        QPointF c2 = p2 - (p3 - p1) / 6.0;
        // Keep the curve moving forward in time between two points.
        c1.setX(std::clamp(c1.x(), p1.x(), p2.x()));
        c2.setX(std::clamp(c2.x(), p1.x(), p2.x()));
        path.cubicTo(c1, c2, p2);
    }
    return path;
}

void TotalTimeChart::build_geometry()
{
    geometry_ = Geometry();
    geometry_.plot =
        QRectF(left_margin, top_margin, std::max(10.0, width() - left_margin - right_margin),
               std::max(10.0, height() - top_margin - bottom_margin));
    if (!points_.isEmpty()) {
        geometry_.start_ms = points_.first().measured_at_ms;
        geometry_.end_ms = points_.last().measured_at_ms;
        if (geometry_.end_ms - geometry_.start_ms < 60'000) {
            // One point (or a burst): a half-hour around it.
            geometry_.start_ms -= 15 * 60'000;
            geometry_.end_ms += 15 * 60'000;
        }
    }
    geometry_.positions.reserve(points_.size());
    for (const Point& p : points_)
        geometry_.positions.append(position(p.measured_at_ms, p.total_time));
    geometry_.line = smoothed_path(geometry_.positions);
    if (!geometry_.positions.isEmpty()) {
        geometry_.area = geometry_.line;
        geometry_.area.lineTo(geometry_.positions.last().x(), geometry_.plot.bottom());
        geometry_.area.lineTo(geometry_.positions.first().x(), geometry_.plot.bottom());
        geometry_.area.closeSubpath();
    }
    build_time_ticks();
    geometry_.valid = true;
}

void TotalTimeChart::build_time_ticks()
{
    if (points_.isEmpty())
        return;
    // Hours and minutes as the language writes them: "2:30 PM", "14:30".
    const DateFormatter format = MeasurementFormatter::hour_minute();
    const QFontMetricsF metrics(caption_font(font(), 0.85));
    geometry_.tick_label_width =
        metrics.horizontalAdvance(format.string(QDateTime(QDate(2025, 1, 1), QTime(12, 0)))) + 24;
    const qint64 span_ms = geometry_.end_ms - geometry_.start_ms;
    const int most_labels =
        std::max(2, static_cast<int>(geometry_.plot.width() / geometry_.tick_label_width));
    qint64 step_ms = qint64(time_steps_minutes[std::size(time_steps_minutes) - 1]) * 60'000;
    for (int minutes : time_steps_minutes) {
        if (span_ms / (qint64(minutes) * 60'000) <= most_labels) {
            step_ms = qint64(minutes) * 60'000;
            break;
        }
    }
    // Round steps in local time.
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(geometry_.start_ms);
    const qint64 offset_ms = qint64(start.offsetFromUtc()) * 1000;
    for (qint64 tick = ((geometry_.start_ms + offset_ms) / step_ms + 1) * step_ms - offset_ms;
         tick <= geometry_.end_ms; tick += step_ms)
        geometry_.ticks.append(
            {position(tick, 0).x(), format.string(QDateTime::fromMSecsSinceEpoch(tick))});
}

QStringList TotalTimeChart::time_labels()
{
    if (!geometry_.valid)
        build_geometry();
    QStringList labels;
    for (const TimeTick& tick : std::as_const(geometry_.ticks))
        labels.append(tick.text);
    return labels;
}

void TotalTimeChart::paintEvent(QPaintEvent*)
{
    if (!geometry_.valid)
        build_geometry();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF& plot = geometry_.plot;
    const QColor grid = palette().color(QPalette::Mid);
    QColor grid_faint = grid;
    grid_faint.setAlphaF(0.35f);
    const QColor label_color = AppColors::secondary();
    const QFont label_font = caption_font(font(), 0.85);
    painter.setFont(label_font);
    const QFontMetricsF metrics(label_font);

    // Value axis: a grid line and label every 2 s.
    for (double v = 0.0; v <= maximum_ + 1e-9; v += 2.0) {
        const qreal y = plot.bottom() - plot.height() * v / maximum_;
        painter.setPen(QPen(grid_faint, 1));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(label_color);
        painter.drawText(QRectF(0, y - metrics.height() / 2, left_margin - 8, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, MeasurementFormatter::duration(v));
    }

    // Time axis.
    for (const TimeTick& tick : geometry_.ticks) {
        painter.setPen(QPen(grid_faint, 1));
        painter.drawLine(QPointF(tick.x, plot.top()), QPointF(tick.x, plot.bottom()));
        painter.setPen(label_color);
        painter.drawText(QRectF(tick.x - geometry_.tick_label_width / 2, plot.bottom() + 4,
                                geometry_.tick_label_width, bottom_margin - 4),
                         Qt::AlignHCenter | Qt::AlignTop, tick.text);
    }
    painter.setPen(QPen(grid, 1));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());

    painter.save();
    painter.setClipRect(plot.adjusted(-4, -4, 4, 0));
    if (!geometry_.area.isEmpty()) {
        QLinearGradient fill(0, plot.top(), 0, plot.bottom());
        QColor top = AppColors::primary();
        top.setAlphaF(0.28f);
        QColor bottom = AppColors::primary();
        bottom.setAlphaF(0.02f);
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawPath(geometry_.area);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(AppColors::primary(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(geometry_.line);
    }
    painter.setPen(Qt::NoPen);
    for (qsizetype i = 0; i < points_.size(); ++i) {
        const DomainMeasurementLevel level = points_[i].level;
        if (level == DomainMeasurementLevel::normal)
            continue;
        const qreal d = point_diameter(level);
        painter.setBrush(point_color(level));
        painter.drawEllipse(geometry_.positions[i], d / 2, d / 2);
    }
    painter.restore();

    const QFont annotation_font = caption_font(font(), 0.78);
    painter.setFont(annotation_font);
    const QFontMetricsF annotation_metrics(annotation_font);
    for (const ThresholdLine& line : thresholds_) {
        if (line.y > maximum_)
            continue;
        const qreal y = plot.bottom() - plot.height() * line.y / maximum_;
        QPen pen(line.color, 1);
        pen.setDashPattern({line.dash_on, line.dash_off});
        painter.setPen(pen);
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        // A faint backdrop keeps the text legible over the curve and the grid.
        const QString text = line.annotation();
        const QRectF box(plot.left() + 2, y - annotation_metrics.height() - 2,
                         annotation_metrics.horizontalAdvance(text) + 6,
                         annotation_metrics.height());
        QColor backdrop = palette().color(QPalette::Base);
        backdrop.setAlphaF(0.8f);
        painter.fillRect(box, backdrop);
        painter.setPen(line.color.darker(115));
        painter.drawText(box, Qt::AlignCenter, text);
    }

    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
    }
}
