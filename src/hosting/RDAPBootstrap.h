#pragma once

#include "model/Expected.h"

#include <QByteArrayView>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>

// One of IANA's RDAP bootstrap files (RFC 9224): which registry's RDAP server
// answers for which address blocks.
struct RDAPBootstrap {
    // Each service is a list of string lists: [0] the CIDR blocks, [1] the base
    // URLs of the servers.
    using Service = QList<QStringList>;
    QList<Service> services;

    // Only "services" is read; it must be an array of arrays of arrays of strings.
    static DecodeResult<RDAPBootstrap> decode(QByteArrayView text);

    // The server of the longest block that contains `address` (the earlier entry
    // on equal lengths), with a trailing "/". Blocks whose service lists no
    // usable http(s) URL first are passed over.
    std::optional<QUrl> service_url(QByteArrayView address) const;

    bool operator==(const RDAPBootstrap&) const = default;
};
