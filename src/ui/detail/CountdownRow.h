#pragma once

#include "model/Clock.h"

#include <QUuid>
#include <QWidget>

#include <memory>

class QLabel;
class TessaryStore;

// "Next measurement in 42s" under the interval, with a clock icon. It ticks once
// a second on the given clock and then changes only its own label, so the tick
// repaints nothing else of the pane.
class CountdownRow : public QWidget {
    Q_OBJECT

public:
    CountdownRow(TessaryStore& store, QUuid domain_id, Clock& clock, QWidget* parent = nullptr);
    ~CountdownRow() override;

    QString text() const;
    // Re-reads the store (also done on every tick).
    void refresh();

private:
    void schedule_tick();

    TessaryStore& store_;
    QUuid domain_id_;
    Clock& clock_;
    QLabel* label_;
    std::unique_ptr<ScheduledCall> tick_;
};
