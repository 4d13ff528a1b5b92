#pragma once

#include "measurement/CurlHandles.h"

#include <cstddef>
#include <functional>

// A private pool of connections that the transfers of one measurement share
// (so a redirect to the same host reuses the open connection) and nobody else
// sees. Made by CurlEngine::new_connection_group(); its connections are closed
// on the engine thread once the last transfer and owner let go of it.
class CurlConnectionGroup {
public:
    using Release = std::function<void(CurlShare)>;

    // `worker` is the engine thread whose transfers may use the pool: a pool is
    // never shared across threads.
    CurlConnectionGroup(CurlShare share, Release release, std::size_t worker = 0);
    ~CurlConnectionGroup();
    CurlConnectionGroup(const CurlConnectionGroup&) = delete;
    CurlConnectionGroup& operator=(const CurlConnectionGroup&) = delete;

    CURLSH* handle() const { return share_.get(); }
    std::size_t worker() const { return worker_; }

private:
    CurlShare share_;
    Release release_;
    std::size_t worker_;
};
