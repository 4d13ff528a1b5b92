#pragma once

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

// The header row the two sub-pages share: "Back", a headline title, flexible
// space and a count in caption size. Widgets may be inserted after the title.
struct SubPageHeader {
    SubPageHeader(QWidget* parent, const QString& name);

    QHBoxLayout* row;
    QPushButton* back;
    QLabel* title;
    QLabel* count;
};
