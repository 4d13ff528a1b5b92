#pragma once

#include <QByteArray>
#include <QString>

#include <netdb.h>
#include <optional>

// The one address a monitored host is known by. `bytes` always matches
// `family` (4 bytes for AF_INET, 16 for AF_INET6) and `text` reads back as
// exactly those bytes.
struct ResolvedAddress {
    int family = AF_UNSPEC;
    // Network byte order.
    QByteArray bytes;
    // The numeric form the system's resolver prints, such as 2001:db8::1.
    QString text;

    // The address's /24 ("198.51.100.0/24") or /48 ("2001:0db8:4001::/48") block.
    QString range_key() const;

    // Private, loopback, link-local, shared, documentation, multicast and other
    // blocks that no registry assigns to a provider.
    bool is_special_use() const;

    // One entry of a getaddrinfo() list; none for other families and for texts
    // that do not read back (an IPv6 address with a zone suffix).
    static std::optional<ResolvedAddress> from_info(const addrinfo& info);
    // A numeric address text, in the form the resolver would print it.
    static std::optional<ResolvedAddress> from_text(const QString& text);

    bool operator==(const ResolvedAddress&) const = default;
};
