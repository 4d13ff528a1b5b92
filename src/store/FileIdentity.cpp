#include "store/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace {

FileIdentity identity_of(const struct stat& status)
{
    return FileIdentity{
        .device = quint64(status.st_dev),
        .inode = quint64(status.st_ino),
        .size = qint64(status.st_size),
        .modified_ns = qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec,
    };
}

} // namespace

std::optional<FileIdentity> FileIdentity::of_descriptor(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return identity_of(status);
}

std::optional<FileIdentity> FileIdentity::of_path(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return identity_of(status);
}
