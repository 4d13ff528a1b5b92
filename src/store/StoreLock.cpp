#include "store/StoreLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace {

// The lock file holds "<pid>\n<holder>\n" of the process that last took the lock.
QStringList recorded_lines(int fd)
{
    char buffer[512];
    const ssize_t size = ::pread(fd, buffer, sizeof buffer, 0);
    if (size <= 0)
        return {};
    return QString::fromUtf8(buffer, qsizetype(size)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString executable_name(const QByteArray& proc_entry)
{
    const QString target = QFile::symLinkTarget(QString::fromLatin1(proc_entry + "/exe"));
    QString name = target.mid(target.lastIndexOf(QLatin1Char('/')) + 1);
    // A program replaced by a rebuild while it runs.
    name.remove(QStringLiteral(" (deleted)"));
    return name;
}

// Names the holder only when the file names a live process of this program: a
// pid left by a crashed holder may belong to anything by now.
QString describe_holder(int fd)
{
    const QStringList lines = recorded_lines(fd);
    const qint64 pid = lines.value(0).trimmed().toLongLong();
    const QString holder = lines.value(1).trimmed();
    if (!StoreLock::is_live_tessary_process(pid))
        return QStringLiteral("another process");
    if (holder.isEmpty())
        return QStringLiteral("process %1").arg(pid);
    return QStringLiteral("%1 (process %2)").arg(holder).arg(pid);
}

void record_holder(int fd, const QString& holder)
{
    const QByteArray text =
        QByteArray::number(QCoreApplication::applicationPid()) + '\n' + holder.toUtf8() + '\n';
    if (::ftruncate(fd, 0) == 0) [[maybe_unused]]
        auto written = ::pwrite(fd, text.constData(), size_t(text.size()), 0);
}

} // namespace

Expected<StoreLock, QString> StoreLock::acquire(const QString& support_directory,
                                                const QString& holder)
{
    const QByteArray path =
        QFile::encodeName(QDir(support_directory).absoluteFilePath(file_name()));
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return StoreLock(-1);

    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const QString message =
            QStringLiteral("The data folder %1 is in use by %2. Stop it first, or use another "
                           "folder with --data-dir.")
                .arg(QDir::toNativeSeparators(support_directory), describe_holder(fd));
        ::close(fd);
        return message;
    }
    record_holder(fd, holder);
    return StoreLock(fd);
}

StoreLock::Holder StoreLock::recorded_holder(const QString& support_directory)
{
    const QByteArray path =
        QFile::encodeName(QDir(support_directory).absoluteFilePath(file_name()));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return {};
    const QStringList lines = recorded_lines(fd);
    ::close(fd);
    return {lines.value(0).trimmed().toLongLong(), lines.value(1).trimmed()};
}

bool StoreLock::is_live_tessary_process(qint64 pid)
{
    if (pid <= 0)
        return false;
    const QString name = executable_name("/proc/" + QByteArray::number(pid));
    return !name.isEmpty() && name == executable_name("/proc/self");
}

StoreLock::StoreLock(StoreLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

StoreLock& StoreLock::operator=(StoreLock&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

StoreLock::~StoreLock()
{
    // Closing the descriptor releases the lock; the file stays for the next holder.
    if (fd_ >= 0)
        ::close(fd_);
}
