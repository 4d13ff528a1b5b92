#pragma once

#include "model/MonitoredDomain.h"

#include <QList>

// The store order: pinned domains first, then by host under a locale-aware,
// case-insensitive comparison. The sort is stable, so domains with equal hosts
// (two paths on one site) keep their relative order.
void sort_domains(QList<MonitoredDomain>& domains);
