#include "model/PrivateFile.h"

#include "i18n/L10n.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

// Read from /proc rather than with umask(2), which would change it for a moment
// under the feet of other threads.
mode_t PrivateFile::process_umask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:"))
                return mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
        }
    }
    return 022;
}

mode_t PrivateFile::saved_file_mode()
{
    return 0644 & ~process_umask();
}

namespace {

QString symbolic_link_refusal(const QString& path)
{
    return L10n::text(u"%1 is a symbolic link, which Tessary does not follow. Remove it, then "
                      u"try again.",
                      u"%1 is een symbolische koppeling, die Tessary niet volgt. Verwijder die "
                      u"en probeer het opnieuw.")
        .arg(native(path));
}

QString not_a_file_refusal(const QString& path)
{
    return L10n::text(u"%1 is not a regular file. Remove it, then try again.",
                      u"%1 is geen gewoon bestand. Verwijder het en probeer het opnieuw.")
        .arg(native(path));
}

} // namespace

std::optional<QString> PrivateFile::claim(int fd, const QString& path, uid_t user)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return QStringLiteral("%1: %2").arg(native(path), L10n::system_error(errno));
    if (!S_ISREG(status.st_mode))
        return not_a_file_refusal(path);
    if (status.st_uid != user)
        return L10n::text(u"%1 belongs to another user. Remove it, then try again.",
                          u"%1 is van een andere gebruiker. Verwijder het en probeer het "
                          u"opnieuw.")
            .arg(native(path));
    // What the user may do stays; what others may, and set-id bits, go.
    if ((status.st_mode & 07077) != 0)
        ::fchmod(fd, status.st_mode & 0700);
    return std::nullopt;
}

Expected<int, PrivateFile::OpenError> PrivateFile::open(const QString& path, int flags, uid_t user)
{
    // Non-blocking, so that a FIFO planted in its place cannot hang the open.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, file_mode);
    if (fd < 0) {
        const int error_number = errno;
        if (error_number == ELOOP)
            return OpenError{symbolic_link_refusal(path), 0};
        if (error_number == EISDIR)
            return OpenError{not_a_file_refusal(path), 0};
        return OpenError{
            QStringLiteral("%1: %2").arg(native(path), L10n::system_error(error_number)),
            error_number};
    }
    if (std::optional<QString> refusal = claim(fd, path, user)) {
        ::close(fd);
        return OpenError{*refusal, 0};
    }
    // Back to blocking: the callers read and write the file as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
