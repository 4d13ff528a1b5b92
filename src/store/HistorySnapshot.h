#pragma once

#include "model/DomainMeasurement.h"

#include <QList>
#include <QUuid>

// The histories of all domains at one moment, in store order. Measurement lists
// are shared with the store (copy on write), so taking a snapshot copies no records.
struct HistoryEntry {
    QUuid id;
    QList<DomainMeasurement> measurements;
};
using HistorySnapshot = QList<HistoryEntry>;
