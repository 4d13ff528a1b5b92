#pragma once

#include "model/Expected.h"

#include <QHostAddress>
#include <QString>

// Where the metrics are served: `PORT` or `:PORT` on the loopback interface,
// `ADDRESS:PORT` or `[IPv6]:PORT` on the address given (0.0.0.0 and [::] for
// every interface).
struct MetricsListenAddress {
    QHostAddress address;
    quint16 port = 0;

    // A one-sentence message for the user when `text` is none of the forms above.
    static Expected<MetricsListenAddress, QString> parse(const QString& text);

    // "127.0.0.1:9464", "[::1]:9464".
    QString to_string() const;

    bool operator==(const MetricsListenAddress&) const = default;
};
