#pragma once

#include <QtGlobal>

#include <chrono>

// How long and how much HostingProviderService waits for and reads.
struct HostingProviderLimits {
    std::chrono::milliseconds rdap_timeout{8000};
    std::chrono::milliseconds bootstrap_timeout{30000};
    // getaddrinfo() cannot be cancelled; past this its answer is ignored.
    qint64 resolve_timeout_ms = 30'000;
    // Of every body read; a longer one fails the request.
    qsizetype body_limit = 2 * 1024 * 1024;
    // Registries redirect queries for blocks transferred to another registry.
    int max_redirects = 5;
};
