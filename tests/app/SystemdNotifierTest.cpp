#include "SystemdNotifier.h"

#include "DataFolder.h"
#include "ManualClock.h"
#include "TessaryProcess.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
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
        path_ = directory_.filePath(QStringLiteral("notify"));
        fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray encoded = path_.toLocal8Bit();
        if (encoded.size() < qsizetype(sizeof address.sun_path))
            std::copy(encoded.cbegin(), encoded.cend(), address.sun_path);
        bound_ =
            fd_ >= 0 && bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~NotifySocket() { close(fd_); }
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    bool is_bound() const { return bound_; }
    const QString& path() const { return path_; }

    // The next message, or an empty one when none arrives within `timeout_ms`.
    QByteArray next(int timeout_ms)
    {
        pollfd wanted{fd_, POLLIN, 0};
        if (poll(&wanted, 1, timeout_ms) != 1)
            return QByteArray();
        char buffer[4096];
        const ssize_t size = recv(fd_, buffer, sizeof buffer, 0);
        return size > 0 ? QByteArray(buffer, qsizetype(size)) : QByteArray();
    }

private:
    QTemporaryDir directory_;
    QString path_;
    int fd_ = -1;
    bool bound_ = false;
};

struct WatchdogCase {
    const char* name;
    const char* watchdog_usec; // nullptr: unset
    bool for_this_process;
    std::optional<qint64> expected_ms;
};

void PrintTo(const WatchdogCase& c, std::ostream* out)
{
    *out << c.name;
}

class SystemdWatchdog : public ::testing::TestWithParam<WatchdogCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(socket.is_bound());
        qputenv("NOTIFY_SOCKET", socket.path().toLocal8Bit());
    }
    void TearDown() override
    {
        for (const char* name : {"NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID"})
            qunsetenv(name);
    }

    NotifySocket socket;
    ManualClock clock;
};

TEST_P(SystemdWatchdog, pings_at_half_the_units_interval_until_stopping)
{
    const WatchdogCase& c = GetParam();
    if (c.watchdog_usec != nullptr)
        qputenv("WATCHDOG_USEC", c.watchdog_usec);
    qputenv("WATCHDOG_PID", QByteArray::number(c.for_this_process ? getpid() : getppid()));
    SystemdNotifier notifier(clock);
    EXPECT_EQ(notifier.ping_interval(),
              c.expected_ms ? std::optional(std::chrono::milliseconds(*c.expected_ms))
                            : std::nullopt);
    notifier.ready(QStringLiteral("Monitoring 2\ndomains"));
    EXPECT_EQ(socket.next(1000), QByteArray("READY=1\nSTATUS=Monitoring 2 domains"));
    const qint64 step = c.expected_ms.value_or(5000);
    for (int ping = 0; ping < 3; ++ping) {
        clock.advance_by(step - 1);
        EXPECT_EQ(socket.next(0), QByteArray());
        clock.advance_by(1);
        EXPECT_EQ(socket.next(0), c.expected_ms ? QByteArray("WATCHDOG=1") : QByteArray());
    }
    notifier.stopping();
    EXPECT_EQ(socket.next(1000), QByteArray("STOPPING=1"));
    clock.advance_by(10 * step);
    EXPECT_EQ(socket.next(0), QByteArray());
}

INSTANTIATE_TEST_SUITE_P(
    Units, SystemdWatchdog,
    ::testing::Values(WatchdogCase{"watchdog_of_ten_seconds", "10000000", true, 5000},
                      WatchdogCase{"no_watchdog", nullptr, true, std::nullopt},
                      WatchdogCase{"watchdog_of_another_process", "10000000", false, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// The real monitor under a stand-in for systemd: the unit's main process is the
// shell that execs it, as under systemd.
TEST(SystemdMonitor, tells_systemd_it_is_ready_alive_and_stopping)
{
    NotifySocket socket;
    ASSERT_TRUE(socket.is_bound());
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
    EXPECT_EQ(socket.next(20'000), QByteArray("READY=1\nSTATUS=Monitoring 0 domains"))
        << monitor.readAllStandardError().constData();
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
}

} // namespace
