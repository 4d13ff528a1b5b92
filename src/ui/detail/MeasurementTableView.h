#pragma once

#include "ui/detail/MeasurementHistoryColumns.h"

#include <QTableView>

class MeasurementTableModel;

// A measurement table: no widget per row, fixed row height, the response column
// painted as badges, the columns fitted to the width (see fitted_widths), and
// the rows in view kept in place when new ones come in on top. The user hides and shows columns
// from the header's context menu and reorders them by dragging; the choice is shared by every
// table.
class MeasurementTableView : public QTableView {
    Q_OBJECT

public:
    explicit MeasurementTableView(QWidget* parent = nullptr);

    MeasurementTableModel& measurement_model() const { return *model_; }

    // The header's context menu, built for the current layout (also used by tests).
    QMenu* make_column_menu(QWidget* parent);

protected:
    bool viewportEvent(QEvent* event) override;

private:
    void fit_columns();
    void apply_layout(const MeasurementHistoryColumns::Layout& layout);
    MeasurementHistoryColumns::Layout current_layout() const;
    void store_layout();
    void set_column_hidden(int column, bool hidden);

    MeasurementTableModel* model_;
    bool applying_layout_ = false;
};
