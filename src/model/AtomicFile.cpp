#include "model/AtomicFile.h"

#include "i18n/L10n.h"
#include "model/PrivateFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

AtomicFile::SystemCalls system_calls = AtomicFile::default_system_calls();

// Closes its descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }
    int close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// "write failed: No space left on device", in the current language.
QString system_error(QStringView what_en, QStringView what_nl, int error_number)
{
    return L10n::text(what_en, what_nl) + QStringLiteral(": ") + L10n::system_error(error_number);
}

std::optional<QString> write_all(int fd, QByteArrayView content)
{
    if (content.isEmpty())
        return std::nullopt;
    const char* data = content.data();
    qsizetype remaining = content.size();
    while (remaining > 0) {
        const ssize_t written = system_calls.write(fd, data, size_t(remaining));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return system_error(u"write failed", u"schrijven mislukt", errno);
        }
        data += written;
        remaining -= written;
    }
    return std::nullopt;
}

// Makes the rename itself durable.
void sync_directory(const QByteArray& directory)
{
    FileDescriptor fd(::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.is_open())
        system_calls.fsync(fd.get());
}

} // namespace

const AtomicFile::SystemCalls& AtomicFile::default_system_calls()
{
    static const SystemCalls calls{::write, ::fsync};
    return calls;
}

void AtomicFile::set_system_calls(const SystemCalls& calls)
{
    system_calls = calls;
}

AtomicFile::OutputStream::OutputStream(int fd) : fd_(fd), buffer_(1 << 20) {}

void AtomicFile::OutputStream::write(QByteArrayView bytes)
{
    if (bytes.size() > qsizetype(buffer_.size() - used_)) {
        drain();
        if (bytes.size() >= qsizetype(buffer_.size())) {
            if (!error_)
                error_ = write_all(fd_, bytes);
            return;
        }
    }
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + qsizetype(used_));
    used_ += size_t(bytes.size());
}

void AtomicFile::OutputStream::drain()
{
    if (!error_)
        error_ = write_all(fd_, QByteArrayView(buffer_.data(), qsizetype(used_)));
    used_ = 0;
}

namespace {

// mkostemp's replacement for "XXXXXX".
constexpr qsizetype temporary_suffix_length = 6;

bool is_letter_or_digit(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

} // namespace

bool AtomicFile::is_temporary_name(const QString& file_name, const QString& target_name)
{
    if (target_name.isEmpty() ||
        file_name.size() != target_name.size() + 1 + temporary_suffix_length ||
        !file_name.startsWith(target_name) || file_name[target_name.size()] != u'.')
        return false;
    const QStringView suffix = QStringView(file_name).last(temporary_suffix_length);
    return std::all_of(suffix.begin(), suffix.end(), is_letter_or_digit);
}

int AtomicFile::remove_stale_temporary_files(const QString& target)
{
    const QFileInfo target_info(target);
    const QString target_name = target_info.fileName();
    const QDir directory = target_info.absoluteDir();
    int removed = 0;
    const QStringList candidates =
        directory.entryList({target_name + QStringLiteral(".*")},
                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : candidates) {
        if (!is_temporary_name(name, target_name))
            continue;
        // Checked again right before: only a regular file of ours goes.
        const QByteArray path = QFile::encodeName(directory.absoluteFilePath(name));
        struct stat status {};
        if (::lstat(path.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
            ::unlink(path.constData()) == 0)
            ++removed;
    }
    return removed;
}

std::optional<QString> AtomicFile::write(const QString& path, QByteArrayView content, mode_t mode)
{
    return write_with(
        path, [&](OutputStream& stream) { stream.write(content); }, mode);
}

std::optional<QString> AtomicFile::write_with(const QString& path,
                                              const std::function<void(OutputStream&)>& produce,
                                              mode_t mode)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary = target + ".XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.is_open())
        return system_error(u"cannot create a file beside the target",
                            u"kan geen bestand naast het doel aanmaken", errno);

    OutputStream stream(fd.get());
    produce(stream);
    stream.Flush();
    std::optional<QString> error = stream.error();
    if (!error && system_calls.fsync(fd.get()) != 0)
        error = system_error(u"flush to disk failed", u"wegschrijven naar schijf mislukt", errno);
    // Private while being written; the final mode only when complete.
    if (!error && ::fchmod(fd.get(), mode) != 0)
        error =
            system_error(u"cannot set the permissions", u"kan de rechten niet instellen", errno);
    if (!error && fd.close() != 0)
        error = system_error(u"close failed", u"sluiten mislukt", errno);
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = system_error(u"cannot replace the file", u"kan het bestand niet vervangen", errno);
    if (error) {
        ::unlink(temporary.constData());
        return error;
    }
    sync_directory(QFile::encodeName(QFileInfo(path).absolutePath()));
    return std::nullopt;
}
