#pragma once

#include "measurement/CurlEngine.h"
#include "measurement/HttpEngine.h"
#include "measurement/NetworkBaselineProbe.h"
#include "model/Clock.h"

#include <QDateTime>
#include <QList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// The baseline probe for the measurements of one thread. Measurements that
// start while a probe is running wait for that probe and share its result, and
// so do those that start within `reuse` after it ended: a thousand measurements
// starting together would otherwise time their own thousand probes against
// each other and blame the network for the load, and ten thousand domains a
// minute would make a probe for every other measurement, a third of all the
// connections Tessary opens.
class SharedBaselineProbe {
public:
    using Done = std::function<void(NetworkBaselineResult)>;

    static constexpr std::chrono::milliseconds reuse{1000};

    SharedBaselineProbe(HttpEngine& engine, Clock& clock,
                        QUrl endpoint = NetworkBaselineProbe::configured_endpoint(),
                        std::chrono::milliseconds limit = NetworkBaselineProbe::default_limit);
    // A running probe is abandoned; its waiters are not called.
    ~SharedBaselineProbe();
    SharedBaselineProbe(const SharedBaselineProbe&) = delete;
    SharedBaselineProbe& operator=(const SharedBaselineProbe&) = delete;

    // `done` runs on the calling thread, which must be the same for every call,
    // and never before this returns.
    void measure(Done done);

    // Probes started so far.
    int probes_started() const { return probes_started_; }

private:
    void finish(NetworkBaselineResult result);

    HttpEngine& engine_;
    Clock& clock_;
    QUrl endpoint_;
    std::chrono::milliseconds limit_;
    std::unique_ptr<NetworkBaselineProbe> running_;
    QList<Done> waiting_;
    std::optional<NetworkBaselineResult> last_;
    QDateTime last_ended_at_;
    int probes_started_ = 0;
};
