#include "DataFolder.h"
#include "TessaryProcess.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The socket systemd listens on for a Type=notify unit, as a test can read it.
class NotifySocket {
public:
    NotifySocket() : directory_(QStringLiteral("/tmp/tessary-notify-XXXXXX"))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = directory_.filePath(QStringLiteral("notify")).toLocal8Bit();
        if (path.size() < qsizetype(sizeof address.sun_path))
            std::copy(path.cbegin(), path.cend(), address.sun_path);
        fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            path_ = QString::fromLocal8Bit(path);
    }
    ~NotifySocket() { close(fd_); }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    // Empty when the socket could not be made.
    const QString& path() const { return path_; }

    // The next message, or an empty one when none arrives within `timeout_ms`.
    QByteArray next(int timeout_ms)
    {
        pollfd wanted{fd_, POLLIN, 0};
        char buffer[4096];
        const ssize_t size =
            poll(&wanted, 1, timeout_ms) == 1 ? recv(fd_, buffer, sizeof buffer, 0) : 0;
        return size > 0 ? QByteArray(buffer, qsizetype(size)) : QByteArray();
    }

private:
    QTemporaryDir directory_;
    QString path_;
    int fd_ = -1;
};

// The monitor under a stand-in for systemd. The unit's main process is the
// shell that execs it, as systemd's would be, so WATCHDOG_PID names it.
TEST(SystemdMonitor, tells_systemd_it_is_ready_alive_and_stopping)
{
    NotifySocket socket;
    ASSERT_FALSE(socket.path().isEmpty());
    DataFolder folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NOTIFY_SOCKET"), socket.path());
    environment.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("200000"));
    QProcess monitor;
    monitor.setProcessEnvironment(environment);
    monitor.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("export WATCHDOG_PID=$$; exec \"$0\" \"$@\""),
                   QStringLiteral(TESSARY_EXECUTABLE), QStringLiteral("monitor"),
                   QStringLiteral("--quiet"), QStringLiteral("--data-dir"), folder.path()});
    ASSERT_TRUE(monitor.waitForStarted());
    EXPECT_EQ(socket.next(20'000), QByteArray("READY=1\nSTATUS=Monitoring 0 domains"));
    // Pings at half the interval: two within a generous while.
    EXPECT_EQ(socket.next(5'000), QByteArray("WATCHDOG=1"));
    EXPECT_EQ(socket.next(5'000), QByteArray("WATCHDOG=1"));
    monitor.terminate();
    QByteArray message;
    do
        message = socket.next(10'000);
    while (message == "WATCHDOG=1");
    EXPECT_EQ(message, QByteArray("STOPPING=1"));
    ASSERT_TRUE(monitor.waitForFinished(10'000));
    EXPECT_EQ(monitor.exitCode(), 0);
    // Nothing is said once it has stopped.
    EXPECT_EQ(socket.next(300), QByteArray());
}

} // namespace
