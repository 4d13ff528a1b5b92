#include "ui/detail/SymbolIcons.h"

#include "ui/AppColors.h"

#include <QAction>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace SymbolIcons {

namespace {

// Everything is drawn on a 24 x 24 grid.
void draw_circle(QPainter& p)
{
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
}

void draw_exclamation(QPainter& p, QPointF top, qreal length)
{
    p.drawLine(top, top + QPointF(0, length));
    p.drawPoint(top + QPointF(0, length + 3.2));
}

void draw_arrow_head(QPainter& p, QPointF tip, qreal angle_degrees)
{
    const qreal a = qDegreesToRadians(angle_degrees);
    const QPointF back(std::cos(a), std::sin(a));
    const QPointF side(-back.y(), back.x());
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - back * 4.5 + side * 3.2);
    head.lineTo(tip - back * 4.5 - side * 3.2);
    head.closeSubpath();
    p.save();
    p.setBrush(p.pen().color());
    p.drawPath(head);
    p.restore();
}

void draw(QPainter& p, const QString& name, const QColor& color)
{
    QPen pen(color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (name == u"checkmark.circle") {
        draw_circle(p);
        p.drawPolyline(QPolygonF({{7.5, 12.5}, {10.8, 15.6}, {16.5, 8.8}}));
    } else if (name == u"checkmark") {
        p.drawPolyline(QPolygonF({{5, 12.5}, {9.8, 17.2}, {19, 6.8}}));
    } else if (name == u"exclamationmark.circle") {
        draw_circle(p);
        draw_exclamation(p, {12, 6.8}, 6.2);
    } else if (name == u"xmark.circle") {
        draw_circle(p);
        p.drawLine(QPointF(8.5, 8.5), QPointF(15.5, 15.5));
        p.drawLine(QPointF(15.5, 8.5), QPointF(8.5, 15.5));
    } else if (name == u"pause.circle") {
        draw_circle(p);
        p.drawLine(QPointF(9.8, 8.5), QPointF(9.8, 15.5));
        p.drawLine(QPointF(14.2, 8.5), QPointF(14.2, 15.5));
    } else if (name == u"arrow.triangle.2.circlepath") {
        p.drawArc(QRectF(4, 4, 16, 16), 30 * 16, 150 * 16);
        p.drawArc(QRectF(4, 4, 16, 16), 210 * 16, 150 * 16);
        draw_arrow_head(p, {19.8, 9.2}, 100);
        draw_arrow_head(p, {4.2, 14.8}, -80);
    } else if (name == u"wifi.exclamationmark") {
        p.drawArc(QRectF(1.5, 5, 21, 21), 50 * 16, 80 * 16);
        p.drawArc(QRectF(5.5, 9, 13, 13), 50 * 16, 80 * 16);
        draw_exclamation(p, {12, 12.8}, 3.6);
    } else if (name == u"chart.line.uptrend.xyaxis") {
        p.drawPolyline(QPolygonF({{3.5, 3.5}, {3.5, 20.5}, {20.5, 20.5}}));
        p.drawPolyline(QPolygonF({{7, 16}, {11, 11.5}, {14, 14}, {20, 6.5}}));
    } else if (name == u"arrow.up") {
        p.drawLine(QPointF(12, 20), QPointF(12, 5));
        p.drawPolyline(QPolygonF({{6, 10.5}, {12, 4.5}, {18, 10.5}}));
    } else if (name == u"exclamationmark.triangle") {
        p.drawPolygon(QPolygonF({{12, 3}, {21.5, 20}, {2.5, 20}}));
        draw_exclamation(p, {12, 9}, 5.2);
    } else if (name == u"clock" || name == u"clock.badge.exclamationmark") {
        const bool badge = name != u"clock";
        if (badge)
            p.drawArc(QRectF(2.5, 2.5, 19, 19), 75 * 16, 285 * 16);
        else
            draw_circle(p);
        p.drawPolyline(QPolygonF({{12, 7}, {12, 12}, {15.5, 14}}));
        if (badge)
            draw_exclamation(p, {20.5, 1.8}, 4.2);
    } else if (name == u"play.fill") {
        p.setBrush(color);
        p.drawPolygon(QPolygonF({{7, 4.5}, {19.5, 12}, {7, 19.5}}));
    } else if (name == u"network") {
        draw_circle(p);
        p.drawEllipse(QPointF(12, 12), 4.2, 9.5);
        p.drawLine(QPointF(2.5, 12), QPointF(21.5, 12));
    } else if (name == u"square.and.arrow.up") {
        p.drawPolyline(
            QPolygonF({{8.5, 9.5}, {5, 9.5}, {5, 21}, {19, 21}, {19, 9.5}, {15.5, 9.5}}));
        p.drawLine(QPointF(12, 15), QPointF(12, 3));
        p.drawPolyline(QPolygonF({{8, 6.8}, {12, 2.8}, {16, 6.8}}));
    } else if (name == u"ellipsis.circle") {
        draw_circle(p);
        QPen dots = pen;
        dots.setWidthF(2.6);
        p.setPen(dots);
        p.drawPoint(QPointF(7.8, 12));
        p.drawPoint(QPointF(12, 12));
        p.drawPoint(QPointF(16.2, 12));
    } else if (name == u"chevron.left") {
        p.drawPolyline(QPolygonF({{15, 4.5}, {7.5, 12}, {15, 19.5}}));
    } else if (name == u"chevron.right.circle") {
        draw_circle(p);
        p.drawPolyline(QPolygonF({{10.5, 7.5}, {15, 12}, {10.5, 16.5}}));
    } else if (name == u"line.3.horizontal.decrease.circle") {
        draw_circle(p);
        p.drawLine(QPointF(7, 9), QPointF(17, 9));
        p.drawLine(QPointF(8.8, 12.5), QPointF(15.2, 12.5));
        p.drawLine(QPointF(10.6, 16), QPointF(13.4, 16));
    } else if (name == u"pin" || name == u"pin.slash") {
        p.drawPolygon(
            QPolygonF({{8, 3.5}, {16, 3.5}, {14.5, 10}, {17.5, 14}, {6.5, 14}, {9.5, 10}}));
        p.drawLine(QPointF(12, 14), QPointF(12, 21));
        if (name == u"pin.slash")
            p.drawLine(QPointF(3.5, 3.5), QPointF(20.5, 20.5));
    } else if (name == u"archivebox") {
        p.drawRect(QRectF(3, 4, 18, 5));
        p.drawPolyline(QPolygonF({{4.5, 9}, {4.5, 20}, {19.5, 20}, {19.5, 9}}));
        p.drawLine(QPointF(9.5, 13), QPointF(14.5, 13));
    } else if (name == u"trash") {
        p.drawLine(QPointF(3.5, 6), QPointF(20.5, 6));
        p.drawPolyline(QPolygonF({{9, 6}, {9, 3.5}, {15, 3.5}, {15, 6}}));
        p.drawPolyline(QPolygonF({{5.5, 6}, {7, 20.5}, {17, 20.5}, {18.5, 6}}));
    } else if (name == u"clear") {
        p.drawArc(QRectF(4, 4, 16, 16), 60 * 16, 300 * 16);
        draw_arrow_head(p, {16.2, 5.2}, 20);
        p.drawPolyline(QPolygonF({{12, 8}, {12, 12}, {15, 14}}));
    } else {
        p.setBrush(color);
        p.drawEllipse(QPointF(12, 12), 4, 4);
    }
}

} // namespace

QPixmap pixmap(const QString& name, const QColor& color, int size, qreal device_pixel_ratio)
{
    QPixmap result(QSize(size, size) * device_pixel_ratio);
    result.setDevicePixelRatio(device_pixel_ratio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 24.0, size / 24.0);
    draw(painter, name, color);
    return result;
}

QIcon icon(const QString& name, const QColor& color, int size)
{
    QIcon result;
    result.addPixmap(pixmap(name, color, size, 1.0));
    result.addPixmap(pixmap(name, color, size, 2.0));
    return result;
}

void mark_destructive(QAction* action, const QString& name)
{
    action->setIcon(icon(name, AppColors::red()));
    action->setProperty("destructive", true);
}

} // namespace SymbolIcons
