#pragma once

#include <QColor>

// The colours of the printed report, by role. One fixed light palette: a report
// is printed or handed on, so it never follows a dark desktop theme.
enum class ReportColor {
    label,
    secondary_label,
    separator,
    control_background,
    red,
    orange,
    yellow,
    primary,
};

QColor color_of(ReportColor role);
