#pragma once

#include "ui/detail/MeasurementHistoryFilter.h"

#include <QToolButton>

class QMenu;

// The filter menu of the history tables: "Filter" while everything is listed,
// the chosen filter's title otherwise; the chosen item carries a check mark.
class HistoryFilterButton : public QToolButton {
    Q_OBJECT

public:
    explicit HistoryFilterButton(QWidget* parent = nullptr);

    MeasurementHistoryFilter filter() const { return filter_; }
    // An update from the pane; emits nothing.
    void set_filter(MeasurementHistoryFilter filter);

    // The label the button shows for `filter`.
    static QString label(MeasurementHistoryFilter filter);

Q_SIGNALS:
    void filter_chosen(MeasurementHistoryFilter filter);

private:
    void refresh();

    MeasurementHistoryFilter filter_ = MeasurementHistoryFilter::all;
    QMenu* menu_;
};
