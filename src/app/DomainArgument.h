#pragma once

#include "model/Expected.h"
#include "model/MonitoredDomain.h"

#include <QList>
#include <QString>

// Finds the domain a command-line argument names: its id, its URL, or its host
// when exactly one domain has that host. The error lists the candidates.
Expected<MonitoredDomain, QString> find_domain(const QList<MonitoredDomain>& domains,
                                               const QString& argument);
