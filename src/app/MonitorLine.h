#pragma once

#include "model/MonitoredDomain.h"

#include <QString>

// What `tessary monitor` prints for a measurement of `domain`: the local time,
// the host, the status or error, the total time and the level. Control
// characters are shown as placeholders.
QString measurement_line(const MonitoredDomain& domain, const DomainMeasurement& m);

// A line of `tessary monitor` as it is printed: as it is on the user's own
// terminal; for others (standard output is a log or a journal) with every URL in
// it redacted, as the metrics show it.
QString monitor_line(const QString& line, bool on_terminal);
