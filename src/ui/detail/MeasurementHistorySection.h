#pragma once

#include "ui/detail/MeasurementHistoryFilter.h"

#include <QWidget>

class HistoryFilterButton;
class HistoryUrlPicker;
class MeasurementTableView;
class QLabel;
class QPushButton;
class QStackedWidget;
class TotalTimeChart;

// The history part of the main page: the header row with the filter menu, the
// URL picker, the latest measurement's time and "Show Full Table"; the compact
// table of the lookback window (at most 100 rows); the total-time chart.
class MeasurementHistorySection : public QWidget {
    Q_OBJECT

public:
    static constexpr qsizetype compact_row_limit = 100;

    explicit MeasurementHistorySection(QWidget* parent = nullptr);

    // `window` is the lookback window of `domain` (newest first), `urls` the
    // picker's entries.
    void show_history(const MonitoredDomain& domain, const QList<DomainMeasurement>& window,
                      MeasurementHistoryFilter filter, const QString& url, const QStringList& urls);

    MeasurementTableView& table() const { return *table_; }
    TotalTimeChart& chart() const { return *chart_; }

Q_SIGNALS:
    void filter_chosen(MeasurementHistoryFilter filter);
    void url_chosen(const QString& url);
    void show_full_table_requested();

private:
    HistoryFilterButton* filter_;
    HistoryUrlPicker* url_picker_;
    QLabel* last_;
    QPushButton* full_table_;
    MeasurementTableView* table_;
    QLabel* chart_count_;
    QStackedWidget* chart_stack_;
    QLabel* chart_empty_;
    TotalTimeChart* chart_;
};
