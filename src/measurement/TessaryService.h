#pragma once

#include "measurement/CurlEngine.h"
#include "measurement/HttpEngine.h"
#include "measurement/MeasurementLimits.h"
#include "measurement/NetworkBaselineProbe.h"
#include "measurement/SharedBaselineProbe.h"
#include "model/Clock.h"
#include "model/DomainMeasurement.h"

#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// One measurement: the baseline probe (see SharedBaselineProbe), then one timed GET of the URL
// whose phases become a DomainMeasurement, failed requests included. Redirects are followed one hop
// at a time, each hop one transaction, timed back to back. The request ends by itself (curl's own
// time-out included) or by the service's watchdog, whichever comes first; exactly one result is
// delivered, on the thread that called measure(). Time spent waiting for the engine (its admission
// line, this thread's event loop) belongs to no phase: `measured_at` is the instant the request
// really started, and the watchdog counts from there.
class TessaryService {
public:
    using Limits = MeasurementLimits;

    using Done = std::function<void(std::optional<DomainMeasurement>)>;

    // With a probe of its own.
    TessaryService(HttpEngine& engine, Clock& clock,
                   QUrl probe_endpoint = NetworkBaselineProbe::configured_endpoint(),
                   Limits limits = {});
    // With a probe shared by the measurements of this thread; its limit
    // applies, not `limits.probe_limit`.
    TessaryService(HttpEngine& engine, Clock& clock, std::shared_ptr<SharedBaselineProbe> probe,
                   Limits limits = {});
    // A measurement still running is abandoned; its callback is not called.
    ~TessaryService();
    TessaryService(const TessaryService&) = delete;
    TessaryService& operator=(const TessaryService&) = delete;

    // Once per object. `done` gets no measurement when the probe found no usable
    // network, else exactly one. It runs on the calling thread, which must run
    // a Qt event loop.
    void measure(const QUrl& url, const QString& user_agent, Done done);

    // The error text when a redirect chain is longer than `max_redirects`.
    static QString too_many_redirects_message(int max_redirects);

private:
    class State;
    std::shared_ptr<State> state_;
};
