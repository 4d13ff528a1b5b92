#include "measurement/NetlinkPathSource.h"

#include "EventLoop.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <linux/if.h>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

TEST(NetlinkPathSourceTest, ReportsThisMachinesStateWhenStarted)
{
    const auto snapshot = NetlinkPathSource::read_snapshot(&NetlinkSocket::open);
    ASSERT_TRUE(snapshot.has_value()) << "errno " << snapshot.error();
    EXPECT_TRUE(std::ranges::any_of(snapshot->links(), [](const NetlinkLink& link) {
        return (link.flags & IFF_LOOPBACK) != 0;
    }));

    // Whether this machine has a default route is not for the test to say.
    std::vector<bool> reports;
    NetlinkPathSource source;
    source.start([&](bool usable) { reports.push_back(usable); });
    EXPECT_EQ(reports, std::vector<bool>{snapshot->path().usable});
}

TEST(NetlinkPathSourceTest, KernelOutOfReachCountsAsUsable)
{
    const NetlinkPathSource::SocketOpener openers[] = {
        [](std::uint32_t) { return EPERM; }, // no netlink socket at all
        [](std::uint32_t groups) -> Expected<NetlinkSocket, int> {
            return groups == 0 ? EACCES : NetlinkSocket::open(groups); // events only
        },
    };
    for (const auto& opener : openers) {
        std::vector<bool> reports;
        NetlinkPathSource source(opener);
        source.start([&](bool usable) { reports.push_back(usable); });
        EXPECT_EQ(reports, std::vector<bool>{true});
    }
}

// Changes the routing state of a network namespace of this process's own,
// where the test can add and remove links and routes without touching the
// machine's. CMake runs this suite under `unshare -n` when the machine allows it.
class PrivateNetworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet("TESSARY_PRIVATE_NETWORK"))
            GTEST_SKIP() << "needs a private network namespace (see tests/measurement)";
    }

    static bool ip(const QString& arguments)
    {
        QProcess process;
        process.start(u"ip"_s, arguments.split(u' '));
        return process.waitForFinished(10'000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

    // Waits for report number `count` and gives stray extra reports a moment to show.
    bool reported(std::size_t count)
    {
        const bool arrived = wait_until([&] { return reports.size() >= count; }, 5'000);
        wait_for(100);
        return arrived && reports.size() == count;
    }

    std::vector<bool> reports;
};

TEST_F(PrivateNetworkTest, FollowsLinksAndDefaultRoutesAsTheyChange)
{
    NetlinkPathSource source;
    source.start([&](bool usable) { reports.push_back(usable); });
    ASSERT_EQ(reports, std::vector<bool>{false}) << "a fresh namespace has only a loopback";

    ASSERT_TRUE(ip(u"link set lo up"_s));
    ASSERT_TRUE(ip(u"link add t0 type veth peer name t1"_s));
    ASSERT_TRUE(ip(u"link set t1 up"_s));
    ASSERT_TRUE(ip(u"link set t0 up"_s));
    ASSERT_TRUE(ip(u"addr add 10.99.0.2/24 dev t0"_s));
    EXPECT_TRUE(reported(1)) << "links and addresses alone give no path";

    ASSERT_TRUE(ip(u"route add default via 10.99.0.1 dev t0"_s));
    ASSERT_TRUE(reported(2));
    EXPECT_TRUE(reports.back());

    ASSERT_TRUE(ip(u"link set t0 down"_s));
    ASSERT_TRUE(reported(3));
    EXPECT_FALSE(reports.back());
}

} // namespace
