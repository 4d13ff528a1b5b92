#pragma once

#include <QString>

// How one measurement is judged against its domain's statistics.
enum class DomainMeasurementLevel { normal, delay, disturbance, outage, error };

// The display title in the current language ("Normal" / "Normaal", ...).
QString domain_measurement_level_title(DomainMeasurementLevel level);

// The stable lower-case name used in machine-readable output ("normal", "delay", ...).
QString domain_measurement_level_key(DomainMeasurementLevel level);
