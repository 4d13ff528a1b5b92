#pragma once

#include "hosting/ResolvedAddress.h"

#include <QString>

#include <functional>
#include <optional>

// Turns a host name into the one address provider detection works with.
class HostResolver {
public:
    using Done = std::function<void(std::optional<ResolvedAddress>)>;

    virtual ~HostResolver() = default;

    // `done` runs once, later, on the calling thread (which runs a Qt event
    // loop); none when the host has no usable address.
    virtual void resolve(const QString& host, Done done) = 0;
};
