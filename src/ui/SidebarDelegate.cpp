#include "ui/SidebarDelegate.h"

#include "i18n/L10n.h"
#include "model/DomainHost.h"
#include "ui/AppColors.h"
#include "ui/AppIcons.h"
#include "ui/DomainHeartbeat.h"
#include "ui/DomainSidebarRow.h"
#include "ui/SidebarModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDateTime>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int horizontal_margin = 10;
constexpr int vertical_margin = 6;
constexpr int dot_size = 8;
constexpr int dot_gap = 8;
constexpr int heartbeat_height = 4;
constexpr int heartbeat_tooltip_height = 12;
constexpr int line_gap = 2;

QFont small_font(const QFont& base, double factor)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * factor);
    return font;
}

int text_left(const QRect& row)
{
    return row.left() + horizontal_margin + dot_size + dot_gap;
}

} // namespace

SidebarDelegate::SidebarDelegate(Now now, QObject* parent)
    : QStyledItemDelegate(parent), now_(std::move(now))
{}

QRect SidebarDelegate::heartbeat_rect(const QRect& row)
{
    return QRect(text_left(row), row.bottom() - vertical_margin - heartbeat_height + 1,
                 row.right() - horizontal_margin - text_left(row) + 1, heartbeat_height);
}

QRect SidebarDelegate::heartbeat_tooltip_rect(const QRect& row)
{
    const QRect strip = heartbeat_rect(row);
    return strip.adjusted(0, -(heartbeat_tooltip_height - heartbeat_height) / 2, 0,
                          (heartbeat_tooltip_height - heartbeat_height) / 2);
}

QSize SidebarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QFontMetrics caption(small_font(option.font, 0.85));
    if (index.data(SidebarModel::is_header_role).toBool())
        return QSize(200, caption.height() + 14);
    const QFontMetrics body(option.font);
    const int height = vertical_margin + body.height() + line_gap + caption.height() + 6 +
                       heartbeat_height + vertical_margin;
    return QSize(200, height);
}

void SidebarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const
{
    if (index.data(SidebarModel::is_header_role).toBool())
        paint_header(painter, option, index);
    else
        paint_domain(painter, option, index);
}

void SidebarDelegate::paint_header(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    painter->save();
    QFont font = small_font(option.font, 0.85);
    font.setWeight(QFont::DemiBold);
    painter->setFont(font);
    painter->setPen(option.palette.color(QPalette::PlaceholderText));
    const QRect text_rect = option.rect.adjusted(horizontal_margin, 6, -horizontal_margin, -2);
    painter->drawText(
        text_rect, Qt::AlignLeft | Qt::AlignBottom,
        QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideRight, text_rect.width()));
    painter->restore();
}

void SidebarDelegate::paint_domain(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    const auto* model = qobject_cast<const SidebarModel*>(index.model());
    const MonitoredDomain* domain = model == nullptr ? nullptr : model->domain_at(index.row());
    if (domain == nullptr)
        return;
    const bool running = model->is_running(index.row());
    const QRect row = option.rect;
    const bool selected = option.state.testFlag(QStyle::State_Selected);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected || option.state.testFlag(QStyle::State_MouseOver)) {
        QColor background = AppColors::primary();
        background.setAlphaF(selected ? 0.18 : 0.07);
        QPainterPath path;
        path.addRoundedRect(QRectF(row.adjusted(4, 1, -4, -1)), 6, 6);
        painter->fillPath(path, background);
    }
    // The keyboard's place in the list, visible while the list has the focus.
    if (option.state.testFlag(QStyle::State_HasFocus)) {
        painter->setPen(QPen(AppColors::primary(), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(
            QRectF(row.adjusted(4, 1, -4, -1)).adjusted(0.75, 0.75, -0.75, -0.75), 6, 6);
    }

    const QPalette& palette = option.palette;
    const QColor secondary = palette.color(QPalette::PlaceholderText);
    const QFont body_font = option.font;
    const QFont caption_font = small_font(option.font, 0.85);
    const QFontMetrics body(body_font);
    const QFontMetrics caption(caption_font);

    const int left = text_left(row);
    const int right = row.right() - horizontal_margin;
    const int first_line_top = row.top() + vertical_margin;

    // Status dot, centred on the host line.
    const QRectF dot(row.left() + horizontal_margin,
                     first_line_top + (body.height() - dot_size) / 2.0, dot_size, dot_size);
    painter->setPen(Qt::NoPen);
    painter->setBrush(DomainSidebarRow::status_color(*domain));
    painter->drawEllipse(dot);

    // Duration and pin mark at the right of the host line.
    const QDateTime now = now_();
    const QFont duration_font = small_font(option.font, 0.78);
    const QFontMetrics duration_metrics(duration_font);
    const QString duration = DomainSidebarRow::monitoring_duration(*domain, now);
    const int duration_width = duration_metrics.horizontalAdvance(duration);
    int trailing = right - duration_width;
    painter->setFont(duration_font);
    painter->setPen(secondary);
    painter->drawText(QRect(trailing, first_line_top, duration_width, body.height()),
                      Qt::AlignRight | Qt::AlignVCenter, duration);
    if (domain->is_pinned) {
        const int size = duration_metrics.height();
        trailing -= size + 4;
        const QRect pin(trailing, first_line_top + (body.height() - size) / 2, size, size);
        AppIcons::icon(AppIcons::pinned).paint(painter, pin);
    }

    // Host.
    painter->setFont(body_font);
    painter->setPen(palette.color(QPalette::Text));
    const int host_width = std::max(trailing - 6 - left, 0);
    painter->drawText(QRect(left, first_line_top, host_width, body.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      body.elidedText(domain_host(domain->url_string), Qt::ElideRight, host_width));

    // Detail text.
    const int detail_top = first_line_top + body.height() + line_gap;
    painter->setFont(caption_font);
    painter->setPen(secondary);
    painter->drawText(QRect(left, detail_top, right - left, caption.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      caption.elidedText(DomainSidebarRow::detail_text(*domain, running),
                                         Qt::ElideRight, right - left));

    // Heartbeat strip, clipped to a capsule.
    const QRect strip_rect = heartbeat_rect(row);
    QPainterPath capsule;
    capsule.addRoundedRect(QRectF(strip_rect), heartbeat_height / 2.0, heartbeat_height / 2.0);
    painter->setClipPath(capsule);
    QColor track = AppColors::secondary();
    track.setAlphaF(0.12);
    painter->fillRect(strip_rect, track);
    const DomainHeartbeat::Strip strip =
        DomainHeartbeat::strip(*domain, now, double(strip_rect.width()));
    for (const DomainHeartbeat::Segment& segment : strip.segments)
        painter->fillRect(QRectF(strip_rect.left() + segment.x, strip_rect.top(), segment.width,
                                 strip_rect.height()),
                          segment.color);
    for (const DomainHeartbeat::Segment& marker : strip.markers)
        painter->fillRect(QRectF(strip_rect.left() + marker.x, strip_rect.top(), marker.width,
                                 strip_rect.height()),
                          marker.color);
    painter->restore();
}

bool SidebarDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event == nullptr || view == nullptr || !index.isValid())
        return false;
    const auto* model = qobject_cast<const SidebarModel*>(index.model());
    const MonitoredDomain* domain = model == nullptr ? nullptr : model->domain_at(index.row());
    if (domain == nullptr || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    if (heartbeat_tooltip_rect(option.rect).contains(event->pos())) {
        QToolTip::showText(event->globalPos(), DomainHeartbeat::tooltip(domain->max_history_hours),
                           view);
        return true;
    }
    QToolTip::hideText();
    return false;
}
