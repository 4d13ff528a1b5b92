#pragma once

#include <QString>

#include <optional>

// Tells one file from another, also from a later file that took over its inode:
// device, inode, size and modification time together.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified_ns = 0;

    // None when the file cannot be examined (absent).
    static std::optional<FileIdentity> of_descriptor(int fd);
    static std::optional<FileIdentity> of_path(const QString& path);

    bool operator==(const FileIdentity&) const = default;
};
