#pragma once

#include "measurement/CurlConnectionGroup.h"
#include "measurement/HttpRequest.h"
#include "measurement/HttpResult.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <optional>

// Runs every HTTP transfer of the process on one thread through curl's multi
// interface, so a thousand requests in flight cost one thread rather than a
// thousand. Transfers can be started and cancelled from any thread. Nothing is
// shared between transfers unless they share a connection group: no DNS cache,
// no cookies, no connections.
class CurlEngine {
public:
    struct Options {
        // A PEM file of certificate authorities to trust instead of the system's.
        std::optional<QByteArray> ca_bundle;

        // TESSARY_CA_BUNDLE, when set and not empty, names the CA file.
        static Options from_environment();
    };

    using TransferId = quint64;
    // Runs on the engine thread: keep it short and hand the result on.
    using Completion = std::function<void(HttpResult)>;

    explicit CurlEngine(Options options = Options::from_environment());
    // Stops the thread; transfers still running are dropped without completion.
    ~CurlEngine();
    CurlEngine(const CurlEngine&) = delete;
    CurlEngine& operator=(const CurlEngine&) = delete;

    // The engine of the application, made on first use from the environment.
    static CurlEngine& shared();

    // `done` is called exactly once, also for a cancelled or failed transfer.
    TransferId start(HttpRequest request, Completion done);
    // Ends the transfer early; its completion reports `cancelled`. Unknown or
    // finished transfers are ignored.
    void cancel(TransferId id);

    std::shared_ptr<CurlConnectionGroup> new_connection_group();

    // Transfers started and not yet completed.
    int transfers_in_flight() const;

    // Lifts the soft limit on open files to the hard limit: every transfer in
    // flight holds a socket.
    static void raise_open_file_limit();

private:
    class Worker;
    std::shared_ptr<Worker> worker_;
};
