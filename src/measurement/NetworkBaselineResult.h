#pragma once

// What the probe before a measurement found.
struct NetworkBaselineResult {
    // Seconds from the start of the probe until it finished, at most its limit.
    double duration = 0.0;
    // Whether the probe request succeeded (no error, status 200-399).
    bool is_available = false;

    bool operator==(const NetworkBaselineResult&) const = default;
};
