#include "control/PeerCredentials.h"

#include <sys/socket.h>

std::optional<uid_t> PeerCredentials::socket_peer_uid(int fd)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}
