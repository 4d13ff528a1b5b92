#pragma once

#include "measurement/CurlHandles.h"

#include <functional>

// A private pool of connections that the transfers of one measurement share
// (so a redirect to the same host reuses the open connection) and nobody else
// sees. Made by CurlEngine::new_connection_group(); its connections are closed
// on the engine thread once the last transfer and owner let go of it.
class CurlConnectionGroup {
public:
    using Release = std::function<void(CurlShare)>;

    CurlConnectionGroup(CurlShare share, Release release);
    ~CurlConnectionGroup();
    CurlConnectionGroup(const CurlConnectionGroup&) = delete;
    CurlConnectionGroup& operator=(const CurlConnectionGroup&) = delete;

    CURLSH* handle() const { return share_.get(); }

private:
    CurlShare share_;
    Release release_;
};
