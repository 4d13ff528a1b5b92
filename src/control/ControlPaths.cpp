#include "control/ControlPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString canonical_folder(const QString& data_directory)
{
    const QFileInfo info(data_directory);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

// lstat, so a symlink planted in place of the folder is refused, not followed.
std::optional<QString> refusal(const QString& folder, uid_t uid)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(folder).constData(), &status) != 0)
        return QStringLiteral("cannot use %1: %2")
            .arg(folder, QString::fromLocal8Bit(strerror(errno)));
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("%1 is not a folder").arg(folder);
    if (status.st_uid != uid)
        return QStringLiteral("%1 belongs to another user").arg(folder);
    if ((status.st_mode & 077) != 0)
        return QStringLiteral("%1 is open to other users").arg(folder);
    return std::nullopt;
}

} // namespace

ControlPaths::Environment ControlPaths::Environment::current()
{
    return {qgetenv("XDG_RUNTIME_DIR"), QDir::tempPath(), ::getuid()};
}

Expected<QString, ControlPaths::Refusal> ControlPaths::socket_folder(const Environment& environment)
{
    const QString folder = environment.runtime_directory.isEmpty()
                               ? QDir(environment.temporary_directory)
                                     .filePath(QStringLiteral("tessary-%1").arg(environment.uid))
                               : QDir(QFile::decodeName(environment.runtime_directory))
                                     .filePath(QStringLiteral("tessary"));
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
    if (const auto refused = refusal(folder, environment.uid))
        return Refusal{*refused};
    return folder;
}

Expected<QString, ControlPaths::Refusal> ControlPaths::socket_path(const QString& data_directory,
                                                                   const Environment& environment)
{
    auto folder = socket_folder(environment);
    if (!folder)
        return folder.error();
    const QByteArray hash = QCryptographicHash::hash(canonical_folder(data_directory).toUtf8(),
                                                     QCryptographicHash::Sha256)
                                .toHex()
                                .left(32);
    return QDir(*folder).filePath(QString::fromLatin1(hash) + QStringLiteral(".sock"));
}
