#pragma once

#include "model/MonitoredDomain.h"

#include <QList>
#include <QString>

// What the tray icon shows of the active domains, judged by their status as
// the detail pane's status card tells it: fine (online), disturbed (a delay or
// a disturbance) or down (an outage, or down). Domains without a measurement
// yet, or whose latest was a local network issue, are counted in none.
struct TrayState {
    enum class Level { fine, disturbed, down };

    int domains = 0;
    int fine = 0;
    int disturbed = 0;
    int down = 0;

    static TrayState of(const QList<MonitoredDomain>& domains);

    // The worst state of any domain.
    Level worst() const;
    // "Tessary · 4 domains: 2 fine, 1 disturbed, 1 down", in the current language.
    QString tooltip() const;

    bool operator==(const TrayState&) const = default;
};
