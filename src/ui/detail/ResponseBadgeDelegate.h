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

    // Where each capsule goes in `cell`, left to right; capsules past the cell's
    // right edge are still placed (and clipped when painted).
    static QList<QRect> badge_rects(const QList<MeasurementResponseBadgeItem>& items,
                                    const QFont& font, const QRect& cell);
    static QFont badge_font(const QFont& base);

private:
    MeasurementAt measurement_at_;
};
