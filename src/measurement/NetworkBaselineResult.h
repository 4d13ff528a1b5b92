#pragma once

// What the probe before a measurement found.
struct NetworkBaselineResult {
    // Seconds the probe request took, at most its limit (the limit when it ran out).
    double duration = 0.0;
    // Whether the probe request succeeded (no error, status 200-399).
    bool is_available = false;

    bool operator==(const NetworkBaselineResult&) const = default;
};
