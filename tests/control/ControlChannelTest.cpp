#include "EventLoop.h"
#include "ManualClock.h"
#include "control/ControlClient.h"
#include "control/ControlPaths.h"
#include "control/ControlServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

mode_t mode_of(const QString& path)
{
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status.st_mode & 07777;
}

TEST(ControlPaths, the_socket_folder_is_the_users_alone_or_refused)
{
    QTemporaryDir root;
    const QString runtime = root.filePath(u"runtime"_s);
    QDir().mkpath(runtime);
    const auto in = [&](const char* runtime_directory, uid_t uid = ::getuid()) {
        return ControlPaths::socket_folder({runtime_directory, root.path(), uid});
    };
    const QByteArray runtime_directory = runtime.toLocal8Bit();
    ASSERT_EQ(in(runtime_directory.constData()).value(), runtime + u"/tessary"_s);
    EXPECT_EQ(mode_of(runtime + u"/tessary"_s), 0700u);
    const QString own = root.filePath(u"tessary-%1"_s.arg(::getuid()));
    ASSERT_EQ(in("").value(), own);
    EXPECT_EQ(mode_of(own), 0700u);

    // clang-format off
    const struct { const char* refused_because; std::function<void()> plant; uid_t uid; } cases[] = {
        {"belongs to another user", [] {}, ::getuid() + 1},
        {"is open to other users", [&] { ::chmod(QFile::encodeName(own).constData(), 0755); }, ::getuid()},
        {"is not a folder", [&] { QDir(own).removeRecursively();
                                  QFile::link(runtime, own); }, ::getuid()},
    };
    // clang-format on
    for (const auto& [refused_because, plant, uid] : cases) {
        plant();
        const auto folder = in("", uid);
        ASSERT_FALSE(folder) << refused_because;
        EXPECT_TRUE(folder.error().message.contains(QLatin1String(refused_because)))
            << folder.error().message.toStdString();
    }

    const auto path = [&](const QString& data) {
        return ControlPaths::socket_path(data, {runtime_directory, root.path(), ::getuid()})
            .value();
    };
    EXPECT_EQ(path(root.path()), path(root.path() + u"/./runtime/.."_s));
    EXPECT_NE(path(root.path()), path(runtime));
    EXPECT_TRUE(path(runtime).endsWith(u".sock"_s));
}

// A server on a socket of its own, on the test's clock, with a peer uid the
// test chooses; it remembers the requests its handler saw.
class ControlChannel : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(server.listen(socket_path), std::nullopt);
        EXPECT_EQ(mode_of(socket_path) & 0777, 0600u);
    }

    // A raw peer, connected.
    int connect_peer()
    {
        sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
        const QByteArray path = QFile::encodeName(socket_path);
        std::copy(path.cbegin(), path.cend(), address.sun_path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        return fd;
    }

    // Whether the server hung up on `fd`, after letting it run for a moment.
    bool hung_up(int fd)
    {
        char byte = 0;
        return wait_until([&] { return ::recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0; }, 300);
    }

    QTemporaryDir folder;
    QString socket_path = folder.filePath(u"c.sock"_s);
    ManualClock clock;
    uid_t peer_uid = ::getuid();
    QList<ControlRequest> seen;
    ControlServer server{[this](const ControlRequest& request) {
                             seen.append(request);
                             return answer_to(request);
                         },
                         {&clock, 2000, [this](int) { return peer_uid; }}};

    static ControlAnswer answer_to(const ControlRequest& request)
    {
        ControlAnswer answer(HolderRole::monitor);
        answer.exit_code = 3;
        answer.out = request.arguments.join(u' ');
        return answer;
    }
};

TEST_F(ControlChannel, a_request_reaches_the_handler_and_its_answer_the_client)
{
    const ControlRequest request(ControlRequest::Kind::command, u"add"_s,
                                 {u"example.com"_s, u"--interval"_s, u"ü 30"_s});
    auto exchange = std::async(std::launch::async,
                               [&] { return ControlClient::exchange(socket_path, request); });
    ASSERT_TRUE(wait_until(
        [&] { return exchange.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    const auto answer = exchange.get();
    ASSERT_TRUE(answer);
    EXPECT_EQ(*answer, answer_to(request));
    EXPECT_EQ(answer->out, u"example.com --interval ü 30"_s);
    EXPECT_EQ(seen, QList<ControlRequest>{request});

    // Output too long for one message is cut, and the answer still arrives whole.
    ControlAnswer long_answer;
    long_answer.err = QString(200'000, u'\x01');
    const QByteArray encoded = ControlMessage::encode(long_answer);
    EXPECT_LE(encoded.size(), ControlMessage::max_size);
    EXPECT_TRUE(ControlMessage::decode_answer(encoded)->err.endsWith(u"too long to pass on]\n"_s));

    server.close();
    EXPECT_FALSE(QFile::exists(socket_path));
    EXPECT_EQ(ControlClient::exchange(socket_path, request).error(),
              ControlClient::Failure::no_holder);
}

TEST_F(ControlChannel, peers_of_other_users_silent_trickling_or_oversized_are_dropped_unanswered)
{
    const QByteArray identify = ControlMessage::encode(ControlRequest());
    // clang-format off
    const struct { const char* peer; QByteArray sent; uid_t uid; bool waits_for_the_deadline; } cases[] = {
        {"another user", identify, ::getuid() + 1, false},
        {"silent", "", ::getuid(), true},
        {"trickling", identify.left(5), ::getuid(), true},
        {"oversized", QByteArray(ControlMessage::max_size, ' ') + identify, ::getuid(), false},
        {"not a request", "{\"request\":\"format_disk\"}\n", ::getuid(), false},
    };
    // clang-format on
    for (const auto& [peer, sent, uid, waits_for_the_deadline] : cases) {
        peer_uid = uid;
        const int fd = connect_peer();
        ASSERT_EQ(::send(fd, sent.constData(), size_t(sent.size()), MSG_NOSIGNAL), sent.size());
        EXPECT_EQ(hung_up(fd), !waits_for_the_deadline) << peer;
        clock.advance_by(2000);
        EXPECT_TRUE(hung_up(fd)) << peer;
        ::close(fd);
    }
    EXPECT_TRUE(seen.isEmpty());
}

TEST(ControlClient, never_waits_past_its_deadline)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"mute.sock"_s);
    EXPECT_EQ(ControlClient::exchange(path, ControlRequest(), 100).error(),
              ControlClient::Failure::no_holder);

    // A listener that never accepts: the kernel takes the connection, nobody answers.
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    const QByteArray encoded = QFile::encodeName(path);
    std::copy(encoded.cbegin(), encoded.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ControlClient::exchange(path, ControlRequest(), 100).error(),
              ControlClient::Failure::no_answer);
    EXPECT_LT(timer.elapsed(), 1000);
    ::close(fd);
}

// A holder whose backlog is full is busy, not gone: the client waits for room.
TEST(ControlClient, waits_for_room_in_a_full_backlog)
{
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.filePath(u"busy.sock"_s));
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    std::copy(path.cbegin(), path.cend(), address.sun_path);
    const auto* as_sockaddr = reinterpret_cast<const sockaddr*>(&address);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(listener, as_sockaddr, sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    std::vector<int> queued;
    for (;;) {
        queued.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (::connect(queued.back(), as_sockaddr, sizeof address) != 0)
            break;
    }
    ASSERT_EQ(errno, EAGAIN);
    // Room comes a moment later, when the holder takes one of those waiting.
    auto accepted = std::async(std::launch::async, [listener] {
        ::poll(nullptr, 0, 50);
        return ::accept(listener, nullptr, nullptr);
    });
    EXPECT_EQ(ControlClient::exchange(QFile::decodeName(path), ControlRequest(), 500).error(),
              ControlClient::Failure::no_answer);
    ::close(accepted.get());
    for (const int fd : queued)
        ::close(fd);
    ::close(listener);
}

} // namespace
