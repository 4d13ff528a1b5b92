#pragma once

#include "model/DomainMeasurementLevel.h"

#include <QColor>

// The colours every view shares. The accent is Tessary's own; the level colours
// are the same in the sidebar, the detail pane and the tables.
namespace AppColors {

inline QColor primary()
{
    return QColor(3, 157, 128);
} // #039D80
inline QColor red()
{
    return QColor(255, 59, 48);
} // failures, outages, errors
inline QColor orange()
{
    return QColor(255, 149, 0);
} // disturbances, local-network issues
inline QColor yellow()
{
    return QColor(255, 204, 0);
} // delays
inline QColor green()
{
    return QColor(52, 199, 89);
} // normal, where a status is shown
inline QColor secondary()
{
    return QColor(110, 110, 115);
} // inactive, secondary text

// The colour of a measurement level; `normal` is the caller's (green for a
// status dot, no colour at all in a table cell).
inline QColor for_level(DomainMeasurementLevel level, const QColor& normal = QColor())
{
    switch (level) {
    case DomainMeasurementLevel::normal:
        return normal;
    case DomainMeasurementLevel::delay:
        return yellow();
    case DomainMeasurementLevel::disturbance:
        return orange();
    case DomainMeasurementLevel::outage:
    case DomainMeasurementLevel::error:
        return red();
    }
    return normal;
}

} // namespace AppColors
