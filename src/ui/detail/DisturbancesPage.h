#pragma once

#include "model/MonitoredDomain.h"

#include <QWidget>

class DisturbanceTableModel;
class QLabel;
class QStackedWidget;
class QTableView;

// Every disturbance period of the domain, newest first, or an empty state.
class DisturbancesPage : public QWidget {
    Q_OBJECT

public:
    explicit DisturbancesPage(QWidget* parent = nullptr);

    void show_domain(const MonitoredDomain& domain);

    DisturbanceTableModel& model() const { return *model_; }

Q_SIGNALS:
    void back_requested();

private:
    QLabel* title_;
    QLabel* count_;
    QStackedWidget* content_;
    QWidget* empty_;
    QTableView* table_;
    DisturbanceTableModel* model_;
};
