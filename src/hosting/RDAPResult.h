#pragma once

#include <QString>

#include <optional>

// What one RDAP query tells about an address: who holds its block, and the block.
struct RDAPResult {
    // Already cleaned (see clean_provider_name); never empty.
    QString provider_name;
    // "start-end", such as "13.64.0.0-13.107.255.255".
    std::optional<QString> network_range;

    bool operator==(const RDAPResult&) const = default;
};
