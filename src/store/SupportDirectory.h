#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>
#include <unistd.h>

// The data folder as a place only its user writes to. Tessary uses no folder of
// another user's: such a folder, or one planted where ours belongs, could feed
// it data or read what it writes.
struct SupportDirectory {
    // Why the folder must not be used; none when it may.
    std::optional<QString> refusal;
    // A sentence to show once when group or others may write in the folder.
    std::optional<QString> warning;

    // Checks the folder at `path` against `user`, first creating it (and any
    // missing parent) 0700 when `create` is set. A folder that is not there is
    // fine: there is nothing in it to read.
    static SupportDirectory prepare(const QString& path, bool create, uid_t user = ::geteuid());
};
