#pragma once

#include "control/ControlMessage.h"
#include "model/Expected.h"

#include <QString>

// Asks the holder of a data folder over its control socket. Blocks, but never
// past one deadline for the whole exchange, and a signal that ends the process
// still ends it: the wait is a poll() that the deadline bounds.
namespace ControlClient {

enum class Failure {
    // Nobody listens there (no socket, or a stale one): the request went nowhere.
    no_holder,
    // A holder took the connection but gave no whole answer in time, or an
    // unreadable one: the request may have been carried out.
    no_answer,
};

Expected<ControlAnswer, Failure> exchange(const QString& socket_path, const ControlRequest& request,
                                          int timeout_ms = ControlMessage::deadline_ms);

} // namespace ControlClient
