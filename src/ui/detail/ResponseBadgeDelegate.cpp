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

ResponseBadgeDelegate::Layout
ResponseBadgeDelegate::badge_layout(const QList<MeasurementResponseBadgeItem>& items,
                                    const QFont& font, const QRect& cell)
{
    const QFontMetrics metrics(font);
    const int height = metrics.height() + 2 * vertical_margin;
    const int top = cell.top() + (cell.height() - height) / 2;
    const int right = cell.right() - cell_padding;
    const auto width_of = [&](const QString& text) {
        return metrics.horizontalAdvance(text) + 2 * horizontal_margin;
    };
    Layout layout;
    int x = cell.left() + cell_padding;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const int width = width_of(items[i].text);
        const int hidden = int(items.size() - i - 1);
        // Room for this one, and for the "+N" of those after it.
        const int needed = hidden == 0 ? width : width + spacing + width_of(overflow_text(hidden));
        if (x + needed - 1 > right) {
            layout.hidden = int(items.size() - i);
            layout.overflow = QRect(x, top, width_of(overflow_text(layout.hidden)), height);
            return layout;
        }
        layout.shown.append(QRect(x, top, width, height));
        x += width + spacing;
    }
    return layout;
}

QString ResponseBadgeDelegate::overflow_text(int hidden)
{
    return u'+' + QString::number(hidden);
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
    const Layout layout = badge_layout(items, font, option.rect);
    const auto draw_badge = [&](const QRect& rect, const QString& text, const BadgeColors& colors) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(colors.background);
        const qreal radius = rect.height() / 2.0;
        painter->drawRoundedRect(QRectF(rect), radius, radius);
        painter->setPen(colors.text.isValid() ? colors.text : default_text);
        painter->drawText(rect, Qt::AlignCenter, text);
    };
    for (qsizetype i = 0; i < layout.shown.size(); ++i)
        draw_badge(layout.shown[i], items[i].text, badge_colors(items[i]));
    if (layout.hidden > 0) {
        // An error among the hidden items keeps its colour on the "+N".
        BadgeColors colors = badge_colors(MeasurementResponseBadgeItem());
        for (qsizetype i = layout.shown.size(); i < items.size(); ++i) {
            if (items[i].is_error) {
                colors = badge_colors(items[i]);
                break;
            }
        }
        draw_badge(layout.overflow, overflow_text(layout.hidden), colors);
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
    const Layout layout = badge_layout(items, badge_font(option.font), option.rect);
    QString text;
    QRect area;
    for (qsizetype i = 0; i < layout.shown.size() && text.isEmpty(); ++i) {
        if (layout.shown[i].contains(event->pos())) {
            text = items[i].text;
            area = layout.shown[i];
        }
    }
    if (layout.overflow.contains(event->pos())) {
        QStringList all;
        for (const MeasurementResponseBadgeItem& item : items)
            all.append(item.text);
        text = all.join(u'\n');
        area = layout.overflow;
    }
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(event->globalPos(), text, view, area);
    return true;
}
