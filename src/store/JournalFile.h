#pragma once

#include "model/Expected.h"

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/types.h>

// The journal file open for appending, on the history writer's thread. Move-only;
// closes its descriptor when it goes.
class JournalFile {
public:
    // Puts a journal holding only `header` in place of the one at `path`,
    // atomically and readable by the user alone, and opens it.
    static Expected<JournalFile, QString> create(const QString& path, QByteArrayView header);
    // Opens the journal at `path` to continue after its first `length` bytes; an
    // incomplete line beyond them is cut off.
    static Expected<JournalFile, QString> continue_at(const QString& path, qint64 length);

    JournalFile(JournalFile&& other) noexcept;
    JournalFile& operator=(JournalFile&& other) noexcept;
    ~JournalFile();

    // Appends and flushes to disk. A failed append is cut off again, so the next
    // one starts on a line of its own; when even that fails, the file is damaged
    // and takes no more appends.
    std::optional<QString> append(QByteArrayView lines);

    // The system calls used, replaceable so tests can make them fail or stop the
    // process between two of them.
    struct SystemCalls {
        ssize_t (*write)(int fd, const void* buffer, size_t size);
        int (*fdatasync)(int fd);
        int (*fsync)(int fd);
    };
    static const SystemCalls& default_system_calls();
    static void set_system_calls(const SystemCalls& calls);

private:
    JournalFile(int fd, qint64 length) : fd_(fd), length_(length) {}

    int fd_ = -1;
    qint64 length_ = 0;
    bool damaged_ = false;
};
