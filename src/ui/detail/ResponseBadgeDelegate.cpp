#include "ui/detail/ResponseBadgeDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {

constexpr int horizontal_margin = 7;
constexpr int vertical_margin = 3;
constexpr int spacing = 4;
constexpr int cell_padding = 4;

} // namespace

ResponseBadgeDelegate::ResponseBadgeDelegate(MeasurementAt measurement_at, QObject* parent)
    : QStyledItemDelegate(parent), measurement_at_(std::move(measurement_at))
{}

QFont ResponseBadgeDelegate::badge_font(const QFont& base)
{
    QFont font = base;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 0.85);
    else
        font.setPixelSize(std::max(8, font.pixelSize() * 85 / 100));
    return font;
}

QList<QRect> ResponseBadgeDelegate::badge_rects(const QList<MeasurementResponseBadgeItem>& items,
                                                const QFont& font, const QRect& cell)
{
    const QFontMetrics metrics(font);
    const int height = metrics.height() + 2 * vertical_margin;
    const int top = cell.top() + (cell.height() - height) / 2;
    QList<QRect> rects;
    int x = cell.left() + cell_padding;
    for (const MeasurementResponseBadgeItem& item : items) {
        const int width = metrics.horizontalAdvance(item.text) + 2 * horizontal_margin;
        rects.append(QRect(x, top, width, height));
        x += width + spacing;
    }
    return rects;
}

void ResponseBadgeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    base.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &base, painter, widget);

    const QList<MeasurementResponseBadgeItem> items =
        response_badge_items(measurement_at_(index.row()));
    painter->save();
    painter->setClipRect(option.rect);
    const QColor default_text = option.palette.color(
        option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
    if (items.isEmpty()) {
        painter->setPen(default_text);
        painter->drawText(option.rect.adjusted(cell_padding, 0, -cell_padding, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("-"));
        painter->restore();
        return;
    }
    const QFont font = badge_font(option.font);
    painter->setFont(font);
    painter->setRenderHint(QPainter::Antialiasing);
    const QList<QRect> rects = badge_rects(items, font, option.rect);
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QRect& rect = rects[i];
        if (rect.left() > option.rect.right())
            break;
        const BadgeColors colors = badge_colors(items[i]);
        painter->setPen(Qt::NoPen);
        painter->setBrush(colors.background);
        const qreal radius = rect.height() / 2.0;
        painter->drawRoundedRect(QRectF(rect), radius, radius);
        painter->setPen(colors.text.isValid() ? colors.text : default_text);
        painter->drawText(rect, Qt::AlignCenter, items[i].text);
    }
    painter->restore();
}

QSize ResponseBadgeDelegate::sizeHint(const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QFontMetrics metrics(badge_font(option.font));
    size.setHeight(std::max(size.height(), metrics.height() + 2 * vertical_margin + 4));
    return size;
}

bool ResponseBadgeDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                      const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event == nullptr || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QList<MeasurementResponseBadgeItem> items =
        response_badge_items(measurement_at_(index.row()));
    const QList<QRect> rects = badge_rects(items, badge_font(option.font), option.rect);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (rects[i].contains(event->pos())) {
            QToolTip::showText(event->globalPos(), items[i].text, view, rects[i]);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}
