#include "store/JournalFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

JournalFile::SystemCalls system_calls = JournalFile::default_system_calls();

QString system_error(const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

std::optional<QString> write_all(int fd, QByteArrayView bytes)
{
    const char* data = bytes.data();
    qsizetype remaining = bytes.size();
    while (remaining > 0) {
        const ssize_t written = system_calls.write(fd, data, size_t(remaining));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return system_error("write failed");
        }
        data += written;
        remaining -= written;
    }
    return std::nullopt;
}

} // namespace

const JournalFile::SystemCalls& JournalFile::default_system_calls()
{
    static const SystemCalls calls{::write, ::fdatasync, ::fsync};
    return calls;
}

void JournalFile::set_system_calls(const SystemCalls& calls)
{
    system_calls = calls;
}

Expected<JournalFile, QString> JournalFile::create(const QString& path, QByteArrayView header)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary = target + ".XXXXXX";
    // mkostemp makes the file with mode 0600.
    JournalFile file(::mkostemp(temporary.data(), O_CLOEXEC), 0);
    if (file.fd_ < 0)
        return system_error("cannot create a file beside the journal");
    std::optional<QString> error = write_all(file.fd_, header);
    if (!error && system_calls.fsync(file.fd_) != 0)
        error = system_error("flush to disk failed");
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = system_error("cannot replace the journal");
    if (error) {
        ::unlink(temporary.constData());
        return *error;
    }
    const int directory = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                 O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        system_calls.fsync(directory);
        ::close(directory);
    }
    ::fcntl(file.fd_, F_SETFL, O_APPEND);
    file.length_ = header.size();
    return file;
}

Expected<JournalFile, QString> JournalFile::continue_at(const QString& path, qint64 length)
{
    JournalFile file(::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC),
                     length);
    if (file.fd_ < 0)
        return system_error("cannot open the journal");
    struct stat status {};
    if (::fstat(file.fd_, &status) != 0)
        return system_error("cannot examine the journal");
    if (status.st_size < length)
        return QStringLiteral("the journal is shorter than when it was read");
    if (status.st_size > length && ::ftruncate(file.fd_, length) != 0)
        return system_error("cannot cut off the incomplete last line");
    return file;
}

JournalFile::JournalFile(JournalFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), length_(other.length_), damaged_(other.damaged_)
{}

JournalFile& JournalFile::operator=(JournalFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        length_ = other.length_;
        damaged_ = other.damaged_;
    }
    return *this;
}

JournalFile::~JournalFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<QString> JournalFile::append(QByteArrayView lines)
{
    if (damaged_)
        return QStringLiteral("the journal is damaged");
    std::optional<QString> error = write_all(fd_, lines);
    if (!error && system_calls.fdatasync(fd_) != 0)
        error = system_error("flush to disk failed");
    if (error) {
        damaged_ = ::ftruncate(fd_, length_) != 0 || system_calls.fdatasync(fd_) != 0;
        return error;
    }
    length_ += lines.size();
    return std::nullopt;
}
