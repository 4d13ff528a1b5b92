#pragma once

#include <QFrame>
#include <QPalette>

// The thin horizontal line between the window's sections.
inline QFrame* make_divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    return line;
}
