#pragma once

#include "model/DomainMeasurement.h"

#include <QString>

#include <functional>
#include <optional>

// Where the monitoring store gets its measurements from; tests put a fake in
// its place.
class MeasurementSource {
public:
    using Done = std::function<void(std::optional<DomainMeasurement>)>;

    virtual ~MeasurementSource();

    // Measures `url_string` once, the baseline probe first. `done` runs on the
    // calling thread (which runs a Qt event loop) with no measurement when the
    // network was unusable, else with exactly one, failed requests included.
    virtual void measure(const QString& url_string, const QString& user_agent, Done done) = 0;
};
