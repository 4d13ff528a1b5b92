#pragma once

#include "model/Expected.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Where the holder of a data folder listens for the other Tessary processes of
// its user: a socket in a folder that only the user can enter.
namespace ControlPaths {

// Why the socket folder cannot be used.
struct Refusal {
    QString message;
};

// What decides the folder; current() reads the process's own.
struct Environment {
    QByteArray runtime_directory; // $XDG_RUNTIME_DIR, empty when unset
    QString temporary_directory;
    uid_t uid = 0;

    static Environment current();
};

// $XDG_RUNTIME_DIR/tessary, or tessary-<uid> in the temporary folder without a
// runtime folder; made 0700 when missing. An error when it is not a real folder
// (a symlink, a file), not the user's own, or open to group or others: anyone
// could plant a socket there.
Expected<QString, Refusal> socket_folder(const Environment& environment);

// The socket of a data folder, named after a hash of its canonical path, so
// every spelling of the path finds the same socket.
Expected<QString, Refusal> socket_path(const QString& data_directory,
                                       const Environment& environment = Environment::current());

} // namespace ControlPaths
