#pragma once

#include "hosting/HostResolver.h"

// getaddrinfo() on a thread of its own per lookup, so neither the main thread
// nor the HTTP engine waits for a slow name server.
class SystemHostResolver final : public HostResolver {
public:
    void resolve(const QString& host, Done done) override;

    // The blocking lookup itself.
    static std::optional<ResolvedAddress> resolve_now(const QString& host);

    // The address a resolver list stands for: IPv4 before IPv6 whatever the
    // order, each family's first entry that converts, and an address a registry
    // could know before a special-use one.
    static std::optional<ResolvedAddress> choose_address(const addrinfo* list);

    static SystemHostResolver& shared();
};
