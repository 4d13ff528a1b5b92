#pragma once

#include "ui/detail/TotalTimeChartData.h"

#include <QPainterPath>
#include <QStringList>
#include <QWidget>

// The total-time chart of the lookback window: a smoothed area and line in the
// accent colour, a point per measurement above the normal level, the dashed
// threshold lines with their annotations, hour:minute time labels and duration
// value labels. Painted directly; the geometry is rebuilt only when the data or
// the size changes.
class TotalTimeChart : public QWidget {
    Q_OBJECT

public:
    explicit TotalTimeChart(QWidget* parent = nullptr);

    void set_data(QList<TotalTimeChartData::Point> points,
                  QList<TotalTimeChartData::ThresholdLine> thresholds);

    const QList<TotalTimeChartData::Point>& points() const { return points_; }
    const QList<TotalTimeChartData::ThresholdLine>& thresholds() const { return thresholds_; }
    double maximum_total_time() const { return maximum_; }

    QSize sizeHint() const override;

    // The time axis' labels, left to right, in the language's hours and minutes.
    QStringList time_labels();

    // The smoothed curve through `points` (Catmull-Rom, as cubic Bezier pieces).
    static QPainterPath smoothed_path(const QList<QPointF>& points);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override
    {
        update();
        QWidget::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        update();
        QWidget::focusOutEvent(event);
    }
    void resizeEvent(QResizeEvent* event) override;

private:
    struct TimeTick {
        qreal x = 0;
        QString text;
    };
    struct Geometry {
        QRectF plot;
        qint64 start_ms = 0;
        qint64 end_ms = 0;
        QList<QPointF> positions;
        QPainterPath line;
        QPainterPath area;
        QList<TimeTick> ticks;
        qreal tick_label_width = 0;
        bool valid = false;
    };
    void build_geometry();
    void build_time_ticks();
    QPointF position(qint64 ms, double seconds) const;

    QList<TotalTimeChartData::Point> points_;
    QList<TotalTimeChartData::ThresholdLine> thresholds_;
    double maximum_ = 8.8;
    Geometry geometry_;
};
