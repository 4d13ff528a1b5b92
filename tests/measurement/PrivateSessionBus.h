#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A dbus-daemon of the test's own, with no services to activate, so tests never
// reach the desktop's session bus. Stopped when destroyed.
class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        const QString config_path = folder_.filePath(QStringLiteral("bus.conf"));
        QFile config(config_path);
        if (!folder_.isValid() || !config.open(QIODevice::WriteOnly) ||
            config.write(configuration().arg(folder_.path()).toUtf8()) < 0) {
            error_ = QStringLiteral("cannot write ") + config_path;
            return;
        }
        config.close();
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=") + config_path, QStringLiteral("--nofork"),
                       QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
        const QDeadlineTimer deadline(10'000);
        while (!daemon_.canReadLine()) {
            if (deadline.hasExpired() ||
                (!daemon_.waitForReadyRead(100) && daemon_.state() == QProcess::NotRunning)) {
                error_ = QStringLiteral("dbus-daemon gave no address: ") + daemon_.errorString() +
                         QString::fromLocal8Bit(daemon_.readAllStandardError());
                return;
            }
        }
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }

    ~PrivateSessionBus()
    {
        daemon_.terminate();
        if (!daemon_.waitForFinished(5'000))
            daemon_.kill();
        daemon_.waitForFinished(5'000);
    }

    // Empty when the daemon did not start; `error()` then says why.
    QString address() const { return address_; }
    QString error() const { return error_; }

private:
    static QString configuration()
    {
        return QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)");
    }

    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
    QString error_;
};
