#pragma once

#include "ui/detail/SummaryCards.h"

#include <QFrame>

class QLabel;
class QToolButton;

// One bordered card of the summary row: tinted icon, caption, value and, when
// the content has an action, a small button at the right.
class SummaryCard : public QFrame {
    Q_OBJECT

public:
    explicit SummaryCard(QWidget* parent = nullptr);

    void set_content(const SummaryCardContent& content);
    const SummaryCardContent& content() const { return content_; }

Q_SIGNALS:
    void action_triggered();

private:
    SummaryCardContent content_;
    QLabel* icon_;
    QLabel* title_;
    QLabel* value_;
    QToolButton* action_;
};
