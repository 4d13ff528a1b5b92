#pragma once

#include "control/ControlMessage.h"
#include "control/PeerCredentials.h"
#include "model/Clock.h"

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sys/types.h>

class QSocketNotifier;

// Listens on the control socket of a data folder for the other Tessary processes
// of the same user. Each connection carries one exchange, a request line and
// the answer line, under one deadline for the whole of it. A peer of another
// user is closed unanswered; one that stays silent, trickles past the deadline,
// sends more than a message may hold or does not read its answer is dropped.
class ControlServer final : public QObject {
    Q_OBJECT

public:
    // Runs on the main thread while the connection waits for its answer.
    using Handler = std::function<ControlAnswer(const ControlRequest& request)>;

    struct Settings {
        Clock* clock;
        qint64 deadline_ms;
        PeerCredentials::PeerUid peer_uid;

        // The two-second deadline on `clock`, the kernel's word on the peer.
        static Settings on(Clock& clock)
        {
            return {&clock, ControlMessage::deadline_ms, PeerCredentials::socket_peer_uid};
        }
    };

    ControlServer(Handler handler, Settings settings);
    explicit ControlServer(Handler handler);
    ~ControlServer() override;

    // Listens at `path` (0600), replacing whatever is there: call it only while
    // holding the data folder's lock, which proves an old socket stale. Returns
    // an error text.
    std::optional<QString> listen(const QString& path);
    // Stops listening and removes the socket. An exchange under way still gets
    // its answer.
    void close();
    bool is_listening() const { return listen_fd_ >= 0; }

private:
    class Connection;

    void accept_connections();
    void answer(quint64 id, Connection& connection, const QByteArray& line);
    void drop(quint64 id);

    Handler handler_;
    Settings settings_;
    QString path_;
    int listen_fd_ = -1;
    ino_t listening_inode_ = 0;
    std::unique_ptr<QSocketNotifier> listen_notifier_;
    quint64 connection_serial_ = 0;
    std::map<quint64, std::unique_ptr<Connection>> connections_;
};
