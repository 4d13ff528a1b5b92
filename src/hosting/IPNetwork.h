#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>

// An address block such as 41.0.0.0/8 or 2c00::/12, as the RDAP bootstrap
// registry lists them.
struct IPNetwork {
    // 4 or 16 bytes, network order.
    QByteArray bytes;
    // Not checked when parsed: a length the family cannot have matches nothing.
    qint64 prefix_length = 0;

    // "address/length"; none unless both halves parse.
    static std::optional<IPNetwork> from_cidr(QStringView cidr);

    // False for an address of the other family.
    bool contains(QByteArrayView address) const;

    bool operator==(const IPNetwork&) const = default;
};
