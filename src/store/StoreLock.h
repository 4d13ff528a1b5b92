#pragma once

#include "model/Expected.h"

#include <QString>

// Keeps two processes from writing one support directory: the process that
// writes the data files holds an exclusive lock on "tessary.lock" there, which
// the system releases when the process ends, however it ends.
class StoreLock {
public:
    // Takes the lock, or returns a message naming the process that holds it.
    // `holder` describes this process to a later contender ("tessary monitor").
    // A directory where no lock file can be made (read-only) is not locked: no
    // one can write there anyway.
    static Expected<StoreLock, QString> acquire(const QString& support_directory,
                                                const QString& holder);

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
    // Whether `pid` is a running process of the same program as this one.
    static bool is_live_tessary_process(qint64 pid);

    static QString file_name() { return QStringLiteral("tessary.lock"); }

private:
    explicit StoreLock(int fd) : fd_(fd) {}

    int fd_ = -1;
};
