#pragma once

#include "model/DomainMeasurement.h"

#include <QColor>
#include <QList>
#include <QString>

// One capsule of the response column: the HTTP status, an X-header or the error.
struct MeasurementResponseBadgeItem {
    QString id;
    QString text;
    bool is_error = false;
    bool is_local_network_issue = false;

    bool operator==(const MeasurementResponseBadgeItem&) const = default;
};

// The status ("HTTP 500", an error outside 200-399), one item per X-header by
// name, then the error text (flagged as a local-network issue when the
// measurement is one).
QList<MeasurementResponseBadgeItem> response_badge_items(const DomainMeasurement& measurement);

struct BadgeColors {
    QColor text; // invalid: the view's default text colour
    QColor background;

    bool operator==(const BadgeColors&) const = default;
};

// Local-network items orange, other errors red, the rest plain; the background
// is the colour at opacity 0.12 (grey for plain items).
BadgeColors badge_colors(const MeasurementResponseBadgeItem& item);
