#include "PrivateSessionBus.h"

#include <QDeadlineTimer>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

QString configuration(const QString& socket_folder)
{
    return uR"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
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
)"_s.arg(socket_folder);
}

} // namespace

PrivateSessionBus::PrivateSessionBus()
{
    if (!folder_.isValid()) {
        error_ = u"no temporary folder"_s;
        return;
    }
    const QString config_path = folder_.filePath(u"bus.conf"_s);
    QFile config(config_path);
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(configuration(folder_.path()).toUtf8()) < 0) {
        error_ = u"cannot write "_s + config_path;
        return;
    }
    config.close();

    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    daemon_.start(u"dbus-daemon"_s, {u"--config-file="_s + config_path, u"--nofork"_s,
                                     u"--nopidfile"_s, u"--print-address"_s});
    if (!daemon_.waitForStarted(10'000)) {
        error_ = u"dbus-daemon did not start: "_s + daemon_.errorString();
        return;
    }
    const QDeadlineTimer deadline(10'000);
    while (!daemon_.canReadLine()) {
        if (deadline.hasExpired() || daemon_.state() != QProcess::Running) {
            error_ = u"dbus-daemon gave no address: "_s +
                     QString::fromLocal8Bit(daemon_.readAllStandardError());
            return;
        }
        daemon_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus()
{
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(5'000)) {
        daemon_.kill();
        daemon_.waitForFinished(5'000);
    }
}
