#pragma once

#include "model/DomainMeasurement.h"

#include <QString>

// What a measurement came to, in one word or line: its error text, its status,
// or "no response". Ready for a terminal (see TerminalText).
QString measurement_result(const DomainMeasurement& measurement);
