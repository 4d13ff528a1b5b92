#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// What is known about the hosting of one monitored host.
struct HostingProviderProfile {
    // The host key (see host_key) it belongs to.
    QString host;
    // The resolved address's text.
    QString ip_address;
    // The address's /24 or /48 block.
    QString range_key;
    // "start-end" from the registry; absent when the lookup gave none.
    std::optional<QString> network_range;
    // The cleaned registry name, or `range_key` when the registry gave none.
    QString provider_name;
    // When the profile was made, UTC.
    QDateTime updated_at;

    bool operator==(const HostingProviderProfile&) const = default;
};
