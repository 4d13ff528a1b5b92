#pragma once

#include "model/Expected.h"

#include <QString>

#include <optional>
#include <sys/types.h>
#include <unistd.h>

// The data folder and its files are the user's alone: the configuration can hold
// credentials in URLs and tokens in queries. Every data file is created 0600 and
// the folder 0700, whatever the umask, and a file is only used when it is a
// regular file of the user's own, never through a symbolic link. The rule lives
// here so that a new data file follows it without repeating it.
namespace PrivateFile {

constexpr mode_t file_mode = 0600;
constexpr mode_t folder_mode = 0700;

// The mode of a file the user saves, such as an export: 0644 minus the umask.
mode_t saved_file_mode();

// The process's umask, read without changing it.
mode_t process_umask();

// Why the file open as `fd` (found at `path`) is not one for Tessary to use: not
// a regular file, or owned by another user than `user`. None when it may be
// used; then what group and others may do with it is taken away first.
std::optional<QString> claim(int fd, const QString& path, uid_t user);

// Why a data file was not opened: a sentence for the user, and the system's
// error number, 0 when something that is no file of the user's was refused.
struct OpenError {
    QString message;
    int error_number = 0;

    bool refused() const { return error_number == 0; }
};

// Opens the data file at `path` with `flags` (O_CREAT creates it 0600) without
// following a symbolic link, and claims it (above).
Expected<int, OpenError> open(const QString& path, int flags, uid_t user = ::geteuid());

} // namespace PrivateFile
