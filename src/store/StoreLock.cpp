#include "store/StoreLock.h"

#include "model/PrivateFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <utility>

namespace {

void record_holder(int fd, const QString& holder)
{
    const QByteArray text =
        QByteArray::number(QCoreApplication::applicationPid()) + '\n' + holder.toUtf8() + '\n';
    if (::ftruncate(fd, 0) == 0) [[maybe_unused]]
        auto written = ::pwrite(fd, text.constData(), size_t(text.size()), 0);
}

QByteArray read_holder(int fd)
{
    char buffer[512];
    const ssize_t size = ::pread(fd, buffer, sizeof buffer, 0);
    return size > 0 ? QByteArray(buffer, qsizetype(size)) : QByteArray();
}

// The file name of the executable that `link` (a /proc/<pid>/exe) points to;
// empty when it cannot be read.
QString executable_name(const QByteArray& link)
{
    char target[4096];
    const ssize_t size = ::readlink(link.constData(), target, sizeof target);
    if (size <= 0)
        return QString();
    QString path = QFile::decodeName(QByteArray(target, qsizetype(size)));
    // An executable replaced while running (a rebuild, an upgrade) reads so.
    if (path.endsWith(QStringLiteral(" (deleted)")))
        path.chop(10);
    return QFileInfo(path).fileName();
}

// The lock file's text "<pid>\n<holder>\n"; a pid of 0 when it names none.
StoreLock::Holder parse_holder(QByteArrayView lock_file_text)
{
    const QStringList lines = QString::fromUtf8(lock_file_text).split(QLatin1Char('\n'));
    bool is_number = false;
    const qint64 pid = lines.value(0).trimmed().toLongLong(&is_number);
    return {is_number && pid > 0 ? pid : 0, lines.value(1).trimmed()};
}

} // namespace

QString StoreLock::describe_holder(QByteArrayView lock_file_text, const ProcessCheck& is_tessary)
{
    const Holder holder = parse_holder(lock_file_text);
    if (holder.pid == 0 || !is_tessary(holder.pid))
        return QStringLiteral("another process");
    if (holder.description.isEmpty())
        return QStringLiteral("process %1").arg(holder.pid);
    return QStringLiteral("%1 (process %2)").arg(holder.description).arg(holder.pid);
}

bool StoreLock::is_running_tessary(qint64 pid)
{
    const QString ours = executable_name("/proc/self/exe");
    return pid > 0 && !ours.isEmpty() &&
           executable_name("/proc/" + QByteArray::number(pid) + "/exe") == ours;
}

Expected<StoreLock, QString> StoreLock::acquire(const QString& support_directory,
                                                const QString& holder, uid_t user)
{
    const QString path = QDir(support_directory).absoluteFilePath(file_name());
    auto opened = PrivateFile::open(path, O_RDWR | O_CREAT, user);
    // Another user's lock file cannot be opened for writing, but is still refused.
    if (!opened && (opened.error().error_number == EACCES || opened.error().error_number == EROFS))
        opened = PrivateFile::open(path, O_RDONLY, user);
    if (!opened) {
        if (opened.error().refused())
            return opened.error().message;
        return StoreLock(-1);
    }
    const int fd = *opened;

    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const QString message =
            QStringLiteral("The data folder %1 is in use by %2. Stop it first, or use another "
                           "folder with --data-dir.")
                .arg(QDir::toNativeSeparators(support_directory), describe_holder(read_holder(fd)));
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
    const Holder holder = parse_holder(read_holder(fd));
    ::close(fd);
    return holder;
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
