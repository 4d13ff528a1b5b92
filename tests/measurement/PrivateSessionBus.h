#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A dbus-daemon of the test's own, with no services to activate, so tests never
// reach the desktop's session bus. Stopped when destroyed.
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when the daemon did not start; `error()` then says why.
    QString address() const { return address_; }
    QString error() const { return error_; }

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
    QString error_;
};
