#pragma once

#include <optional>

// Where a total request time stops being normal, in seconds: the rules behind the
// levels of the statistics, the lines the charts draw for them, and the anomaly
// that is notified. `average` is a domain's trimmed average total time.
struct MeasurementThresholds {
    // A delay: slower than this, or at least delay_average_factor times a positive average.
    static constexpr double delay_seconds = 1.5;
    static constexpr double delay_average_factor = 3.0;
    // A disturbance: at least disturbance_average_factor times the average, taken
    // between the floor and the outage limit, and slower than the floor.
    static constexpr double disturbance_average_factor = 5.0;
    static constexpr double disturbance_floor_seconds = 3.0;
    // An outage: slower than this.
    static constexpr double outage_seconds = 8.0;
    // An anomaly worth a notification: slower than this and at least
    // anomaly_average_factor times the average before the measurement.
    static constexpr double anomaly_seconds = 5.0;
    static constexpr double anomaly_average_factor = 5.0;

    static constexpr bool is_delay(double total, std::optional<double> average)
    {
        return total > delay_seconds ||
               (average && *average > 0.0 && total >= delay_average_factor * *average);
    }

    // Between the floor and the outage limit; the floor without an average.
    static constexpr double disturbance_threshold(std::optional<double> average)
    {
        if (!average)
            return disturbance_floor_seconds;
        const double scaled = disturbance_average_factor * *average;
        return scaled < disturbance_floor_seconds ? disturbance_floor_seconds
               : scaled > outage_seconds          ? outage_seconds
                                                  : scaled;
    }

    // `threshold` is disturbance_threshold() of the same average.
    static constexpr bool is_disturbance(double total, double threshold)
    {
        return total >= threshold && total > disturbance_floor_seconds;
    }

    static constexpr bool is_outage(double total) { return total > outage_seconds; }

    static constexpr bool is_anomaly(double total, std::optional<double> previous_average)
    {
        return previous_average && *previous_average > 0.0 && total > anomaly_seconds &&
               *previous_average * anomaly_average_factor <= total;
    }

    // The heights of the dashed lines of a total-time chart.
    struct Lines {
        // The lower of delay_seconds and the scaled positive average: where delays start.
        double delay = delay_seconds;
        // The disturbance threshold while it is below the outage line; absent otherwise.
        std::optional<double> disturbance;
        double outage = outage_seconds;
        bool operator==(const Lines&) const = default;
    };

    static constexpr Lines lines(std::optional<double> average)
    {
        Lines lines;
        if (average && *average > 0.0 && delay_average_factor * *average < delay_seconds)
            lines.delay = delay_average_factor * *average;
        if (const double disturbance = disturbance_threshold(average); disturbance < outage_seconds)
            lines.disturbance = disturbance;
        return lines;
    }
};
