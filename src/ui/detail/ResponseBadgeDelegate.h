#pragma once

#include "ui/detail/MeasurementResponseBadges.h"

#include <QRect>
#include <QStyledItemDelegate>

#include <functional>

// Paints a measurement's response column as a row of capsules (status, X-headers,
// error), each with its own tooltip; "-" when there is nothing to show.
class ResponseBadgeDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // `measurement_at` gives the measurement of a row of the view's model.
    using MeasurementAt = std::function<const DomainMeasurement&(int row)>;
    ResponseBadgeDelegate(MeasurementAt measurement_at, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Where the capsules go in `cell`, left to right. Those that do not fit give
    // way to one "+N" capsule at the end (N = `hidden`), whose tooltip lists every item.
    struct Layout {
        QList<QRect> shown;
        QRect overflow; // null when everything fits
        int hidden = 0;
        bool operator==(const Layout&) const = default;
    };
    static Layout badge_layout(const QList<MeasurementResponseBadgeItem>& items, const QFont& font,
                               const QRect& cell);
    static QFont badge_font(const QFont& base);
    // "+3".
    static QString overflow_text(int hidden);

private:
    MeasurementAt measurement_at_;
};
