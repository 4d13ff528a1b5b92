#pragma once

#include "measurement/NetworkBaselineProbe.h"

#include <chrono>

// The limits of one measurement. Tests shorten them to keep real servers quick.
struct MeasurementLimits {
    // curl's own limit for the whole request, redirects included.
    std::chrono::milliseconds request_timeout{15000};
    // The service's own timer; its whole seconds appear in the error text.
    std::chrono::milliseconds watchdog{15000};
    std::chrono::milliseconds probe_limit{NetworkBaselineProbe::default_limit};
    // A probe slower than this (strictly) marks a local network issue.
    double slow_probe_seconds = 1.5;
    int max_redirects = 16;
};
