#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <chrono>
#include <memory>
#include <utility>

using HttpHeaderList = QList<std::pair<QByteArray, QByteArray>>;

class CurlConnectionGroup;

// One GET as the engine runs it: a single hop, redirects are not followed.
struct HttpRequest {
    QUrl url;
    // Sent as given, after any line break or other control character in a
    // value is replaced by a space (no header can smuggle in another).
    HttpHeaderList headers;
    // For the whole transfer, connecting included.
    std::chrono::milliseconds timeout{15000};
    // 0 discards the body; a longer body than a positive limit fails the transfer.
    qsizetype body_limit = 0;
    // Without a group the transfer opens a connection of its own and closes it
    // afterwards. Transfers of one group may reuse each other's connections;
    // no other transfer sees them.
    std::shared_ptr<CurlConnectionGroup> connections;
    // False for the baseline probe: it times the network and must not wait in
    // line behind the measurements (see ConnectionAdmission).
    bool waits_for_admission = true;
};
