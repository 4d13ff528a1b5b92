#pragma once

#include "measurement/CurlConnectionGroup.h"
#include "measurement/HttpRequest.h"
#include "measurement/HttpResult.h"

#include <QtGlobal>

#include <chrono>
#include <functional>
#include <memory>

// What runs the HTTP transfers of measurements: CurlEngine, or a fake in tests.
class HttpEngine {
public:
    using TransferId = quint64;
    // Runs on the engine's thread: keep it short and hand the result on.
    using Completion = std::function<void(HttpResult)>;
    // Runs on the engine's thread when the transfer really starts, after any
    // wait for admission, with that instant; every phase counts from there.
    using Started = std::function<void(std::chrono::steady_clock::time_point)>;

    virtual ~HttpEngine();

    // `done` is called exactly once, also for a cancelled or failed transfer;
    // `started` at most once, before it, unless the transfer ends while waiting.
    virtual TransferId start(HttpRequest request, Completion done, Started started = {}) = 0;
    // Ends the transfer early (waiting or running); its completion reports
    // `cancelled`. Unknown or finished transfers are ignored.
    virtual void cancel(TransferId id) = 0;
    // Null when the engine pools no connections; requests then go without.
    virtual std::shared_ptr<CurlConnectionGroup> new_connection_group() = 0;
};
