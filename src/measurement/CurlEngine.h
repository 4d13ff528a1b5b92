#pragma once

#include "measurement/CurlConnectionGroup.h"
#include "measurement/HttpEngine.h"
#include "measurement/HttpRequest.h"
#include "measurement/HttpResult.h"

#include <QByteArray>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Runs every HTTP transfer of the process through curl's multi interface on a
// few threads (one per core, up to four), so a thousand requests in flight cost
// a few threads rather than a thousand. On each thread at most a few transfers
// connect and shake hands at once and the others wait their turn before their
// clock starts (see ConnectionAdmission): Tessary's own load must not show up
// in a site's timings. Transfers can be started and cancelled from any thread.
// Nothing is shared between transfers unless they share a connection group: no
// DNS cache, no cookies, no connections.
class CurlEngine final : public HttpEngine {
public:
    struct Options {
        // A PEM file of certificate authorities to trust instead of the system's.
        std::optional<QByteArray> ca_bundle;
        // Engine threads; 0 takes one per core, up to four.
        int threads = 0;
        // Per thread: transfers in their connection and TLS phases at once;
        // 0 takes the default.
        int connecting_limit = 0;
        // A transfer still connecting after this long stops counting; 0 takes
        // the default.
        std::chrono::milliseconds connecting_hold{0};

        // TESSARY_CA_BUNDLE, when set and not empty, names the CA file.
        static Options from_environment();
    };

    explicit CurlEngine(Options options = Options::from_environment());
    // Stops the threads; transfers still running are dropped without completion.
    ~CurlEngine() override;
    CurlEngine(const CurlEngine&) = delete;
    CurlEngine& operator=(const CurlEngine&) = delete;

    // The engine of the application, made on first use from the environment.
    static CurlEngine& shared();

    TransferId start(HttpRequest request, Completion done, Started started = {}) override;
    void cancel(TransferId id) override;
    std::shared_ptr<CurlConnectionGroup> new_connection_group() override;

    // Transfers started and not yet completed, waiting ones included.
    int transfers_in_flight() const;
    int thread_count() const { return int(workers_.size()); }

    // Lifts the soft limit on open files to the hard limit: every transfer in
    // flight holds a socket.
    static void raise_open_file_limit();

private:
    class Worker;
    std::size_t least_busy_worker() const;

    std::vector<std::shared_ptr<Worker>> workers_;
};
