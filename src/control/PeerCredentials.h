#pragma once

#include <functional>
#include <optional>
#include <sys/types.h>

// Who is at the other end of a connected local socket.
namespace PeerCredentials {

// The user id of the peer of `fd`; none when the system cannot tell. A seam:
// tests cannot run a second user, so they pass their own.
using PeerUid = std::function<std::optional<uid_t>(int fd)>;

// SO_PEERCRED: the credentials the kernel recorded when the peer connected.
std::optional<uid_t> socket_peer_uid(int fd);

} // namespace PeerCredentials
