#pragma once

#include "ui/detail/MeasurementHistoryFilter.h"
#include "ui/detail/MeasurementTableModel.h"

#include <QWidget>

class HistoryFilterButton;
class HistoryUrlPicker;
class MeasurementTableView;
class QLabel;

// Every measurement of the domain that passes the filters, in one virtualised
// table: the rows are indices into the stored history, made visible on demand.
class FullHistoryPage : public QWidget {
    Q_OBJECT

public:
    explicit FullHistoryPage(QWidget* parent = nullptr);

    // `domain` is the store's record; the table reads its history through `source`.
    void show_history(const MonitoredDomain& domain, MeasurementTableModel::Source source,
                      MeasurementHistoryFilter filter, const QString& url, const QStringList& urls);

    MeasurementTableView& table() const { return *table_; }

Q_SIGNALS:
    void back_requested();
    void filter_chosen(MeasurementHistoryFilter filter);
    void url_chosen(const QString& url);

private:
    QLabel* title_;
    HistoryFilterButton* filter_;
    HistoryUrlPicker* url_picker_;
    QLabel* count_;
    MeasurementTableView* table_;
};
