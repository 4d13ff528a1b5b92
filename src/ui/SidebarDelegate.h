#pragma once

#include <QStyledItemDelegate>

#include <functional>

class QDateTime;

// Paints the sidebar's rows: group headers, and domain rows with the status dot,
// host, pin mark, monitoring duration, detail text and heartbeat strip.
class SidebarDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using Now = std::function<QDateTime()>;

    explicit SidebarDelegate(Now now, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The strip's rectangle inside a domain row, and the taller area that carries
    // its tooltip.
    static QRect heartbeat_rect(const QRect& row);
    static QRect heartbeat_tooltip_rect(const QRect& row);

private:
    void paint_header(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const;
    void paint_domain(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const;

    Now now_;
};
