#include "report/ReportColor.h"

QColor color_of(ReportColor role)
{
    switch (role) {
    case ReportColor::label:
        return QColor(0x1D, 0x1D, 0x1F);
    case ReportColor::secondary_label:
        return QColor(0x6E, 0x6E, 0x73);
    case ReportColor::separator:
        return QColor(0xD2, 0xD2, 0xD7);
    case ReportColor::control_background:
        return QColor(0xED, 0xED, 0xF0);
    case ReportColor::red:
        return QColor(0xFF, 0x3B, 0x30);
    case ReportColor::orange:
        return QColor(0xFF, 0x95, 0x00);
    case ReportColor::yellow:
        return QColor(0xFF, 0xCC, 0x00);
    case ReportColor::primary:
        return QColor(0x03, 0x9D, 0x80);
    }
    return QColor(0x1D, 0x1D, 0x1F);
}
