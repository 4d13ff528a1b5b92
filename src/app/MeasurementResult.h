#pragma once

#include "model/DomainMeasurement.h"

#include <QString>

// What a measurement came to, in one word or line: its error text, its status,
// or "no response".
QString measurement_result(const DomainMeasurement& measurement);
