#pragma once

#include "measurement/CurlEngine.h"
#include "measurement/HttpEngine.h"
#include "measurement/NetworkBaselineResult.h"
#include "model/Clock.h"

#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

// Times one tiny request to a fast public no-content endpoint before a
// measurement: a failure means the local connection is down, a slow answer
// that it is struggling. The probe always ends within its limit: by its own
// request or by its watchdog, whichever comes first; the other is ignored.
class NetworkBaselineProbe {
public:
    static constexpr std::chrono::milliseconds default_limit{3000};

    NetworkBaselineProbe(HttpEngine& engine, Clock& clock, QUrl endpoint = configured_endpoint(),
                         std::chrono::milliseconds limit = default_limit);
    // A probe still running is abandoned; its callback is not called.
    ~NetworkBaselineProbe();
    NetworkBaselineProbe(const NetworkBaselineProbe&) = delete;
    NetworkBaselineProbe& operator=(const NetworkBaselineProbe&) = delete;

    // Once per probe. `done` runs on the calling thread, which must run a Qt
    // event loop.
    void measure(std::function<void(NetworkBaselineResult)> done);

    // TESSARY_PROBE_URL when it holds an http(s) URL, else the default.
    static QUrl configured_endpoint();
    static QUrl default_endpoint();

private:
    class State;
    std::shared_ptr<State> state_;
};
