#pragma once

#include "model/MonitoredDomain.h"

#include <QList>
#include <QString>

// What the total-time chart and the heartbeat strip show, told in one sentence
// for a screen reader: "48 measurements over 2 days, highest 1.20 s, 1 outage,
// 2 disturbances".
namespace HistorySummary {

// `window` is the part of the domain's history the view shows, newest first.
// Outages and disturbances are the domain's disturbance periods that began in
// it: those with a failure or at the outage level count as outages. The highest
// time leaves out local network issues, as the chart does.
QString text(const MonitoredDomain& domain, const QList<DomainMeasurement>& window);

} // namespace HistorySummary
