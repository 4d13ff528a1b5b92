#pragma once

#include "model/PrivateFile.h"

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/types.h>

// Replaces a whole file so that readers see either the old or the new content,
// never a partial one, even across a crash: the content is written to a new file
// beside the target, flushed to disk, then renamed over the target.
namespace AtomicFile {

// Buffered output into the file being written; also a RapidJSON output stream,
// so large documents go to disk without being held in memory whole.
class OutputStream {
public:
    using Ch = char;

    explicit OutputStream(int fd);
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    void Put(char c)
    {
        if (used_ == buffer_.size())
            drain();
        buffer_[used_++] = c;
    }
    void write(QByteArrayView bytes);
    void Flush() { drain(); }

    // Room for `count` more characters, then put_unsafe without checks.
    void reserve(size_t count)
    {
        if (buffer_.size() - used_ < count) {
            drain();
            if (buffer_.size() < count)
                buffer_.resize(count);
        }
    }
    void put_unsafe(char c) { buffer_[used_++] = c; }

    // The first write error, if any; later output is dropped.
    const std::optional<QString>& error() const { return error_; }

private:
    void drain();

    int fd_;
    std::vector<char> buffer_;
    size_t used_ = 0;
    std::optional<QString> error_;
};

// RapidJSON's writers reserve room before runs of characters; these spare them
// a bounds check per character.
inline void PutReserve(OutputStream& stream, size_t count)
{
    stream.reserve(count);
}
inline void PutUnsafe(OutputStream& stream, char c)
{
    stream.put_unsafe(c);
}

// Returns an error text, or nothing on success. On failure the target is untouched
// and no temporary file is left behind. The new file is private (0600) while it
// is written and gets `mode` when complete: a data file stays 0600, a file the
// user saves takes PrivateFile::saved_file_mode(). A replaced file's mode is not
// copied.
std::optional<QString> write(const QString& path, QByteArrayView content,
                             mode_t mode = PrivateFile::file_mode);

// Like write(), with the content produced piece by piece into `stream`.
std::optional<QString> write_with(const QString& path,
                                  const std::function<void(OutputStream& stream)>& produce,
                                  mode_t mode = PrivateFile::file_mode);

// Whether `file_name` is the name write() gives its temporary file for a target
// named `target_name`: the target's name, a dot and six letters or digits.
bool is_temporary_name(const QString& file_name, const QString& target_name);

// Removes the temporary files that writes to `target` left behind when their
// process died between creating and renaming them: regular files beside the
// target with a temporary name for it, nothing else. Only for a caller that
// knows no write to `target` is under way (it holds the folder's lock).
// Returns the number removed.
int remove_stale_temporary_files(const QString& target);

// The system calls used, replaceable so tests can make them fail (disk full).
struct SystemCalls {
    ssize_t (*write)(int fd, const void* buffer, size_t size);
    int (*fsync)(int fd);
};
const SystemCalls& default_system_calls();
void set_system_calls(const SystemCalls& calls);

} // namespace AtomicFile
