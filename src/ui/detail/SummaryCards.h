#pragma once

#include "model/MonitoredDomain.h"

#include <QColor>
#include <QList>
#include <QString>

#include <optional>

// What one card of the summary row shows. A card with `action_help` carries a
// small button that opens the disturbances page.
struct SummaryCardContent {
    QString id;
    QString title;
    QString value;
    QString system_image;
    QColor tint;
    std::optional<QString> action_help;

    bool operator==(const SummaryCardContent&) const = default;
};

// The five cards, in order: status, average, highest, failures, longest disturbance.
QList<SummaryCardContent> summary_cards(const MonitoredDomain& domain, bool is_running);
