#pragma once

#include "model/Expected.h"

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <sys/types.h>
#include <unistd.h>

// Keeps two processes from writing one support directory: the process that
// writes the data files holds an exclusive lock on "tessary.lock" there, which
// the system releases when the process ends, however it ends.
class StoreLock {
public:
    // Whether the process with this id is a running Tessary.
    using ProcessCheck = std::function<bool(qint64 pid)>;

    // Takes the lock, or returns a message that says who holds it (see
    // describe_holder). `holder` describes this process to a later contender
    // ("tessary monitor"). A lock file that is a symbolic link, not a regular file
    // or not `user`'s is refused with a message. A directory where no lock file
    // can be made (read-only) is not locked: no one can write there anyway.
    static Expected<StoreLock, QString> acquire(const QString& support_directory,
                                                const QString& holder, uid_t user = ::geteuid());

    // Names the holder of a lock for a refusal, from the lock file's text
    // "<pid>\n<holder>\n": "tessary add (process 4242)" while that process is a
    // running Tessary, "another process" when it has ended or is something else
    // (which then holds the lock, since a dead one cannot).
    static QString describe_holder(QByteArrayView lock_file_text,
                                   const ProcessCheck& is_tessary = is_running_tessary);

    // Whether `pid` runs an executable of the same name as this process's. A
    // process of another user, whose executable cannot be read, is not one.
    static bool is_running_tessary(qint64 pid);

    StoreLock(StoreLock&& other) noexcept;
    StoreLock& operator=(StoreLock&& other) noexcept;
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    ~StoreLock();

    bool is_held() const { return fd_ >= 0; }

    // What the lock file says: the process that last took the lock (which may
    // have let go of it or died since) and its description of itself; a pid
    // of 0 when the file names none.
    struct Holder {
        qint64 pid = 0;
        QString description;
    };
    static Holder recorded_holder(const QString& support_directory);

    static QString file_name() { return QStringLiteral("tessary.lock"); }

private:
    explicit StoreLock(int fd) : fd_(fd) {}

    int fd_ = -1;
};
