#pragma once

#include "model/MonitoredDomain.h"

#include <QColor>
#include <QDateTime>
#include <QString>

#include <optional>

// The state of the shown domain as the detail pane's status card tells it.
enum class DomainStatus {
    measuring,
    inactive,
    waiting,
    local_network,
    online,
    delay,
    disturbance,
    outage,
    down
};

// First rule that applies: measuring, paused, no measurement yet, a slow local
// network at the latest measurement, otherwise the latest measurement's level.
DomainStatus domain_status(const MonitoredDomain& domain, bool is_running);

// "measuring", "inactive", "waiting", "local_network", "online", ...
QString status_key(DomainStatus status);
QString status_text(DomainStatus status);
// The symbol name of the status icon (see SymbolIcons).
QString status_image(DomainStatus status);
QColor status_color(DomainStatus status);

// The countdown under the interval: "Measuring now", "Monitoring paused",
// "Waiting for schedule", "Measurement starting" or "Next measurement in 42s".
QString countdown_text(bool is_running, bool is_active,
                       const std::optional<QDateTime>& next_measurement, const QDateTime& at);
