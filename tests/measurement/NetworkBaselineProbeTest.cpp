#include "measurement/NetworkBaselineProbe.h"

#include "EventLoop.h"
#include "LocalHttpsServer.h"
#include "ManualClock.h"
#include "measurement/SharedBaselineProbe.h"

#include <gtest/gtest.h>

namespace {

class NetworkBaselineProbeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.is_running()) << server.error().toStdString(); }

    // Runs one probe and waits for its (single) result.
    NetworkBaselineResult probe(const QUrl& endpoint, Clock& clock,
                                std::chrono::milliseconds limit = std::chrono::seconds(3))
    {
        NetworkBaselineProbe probe(engine, clock, endpoint, limit);
        int calls = 0;
        NetworkBaselineResult result;
        probe.measure([&](NetworkBaselineResult r) {
            ++calls;
            result = r;
        });
        EXPECT_TRUE(wait_until([&] { return calls > 0; }));
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(this->clock.pending_count(), 0u) << "the watchdog is called off";
        return result;
    }

    LocalHttpsServer server;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit()}};
    ManualClock clock;
};

TEST_F(NetworkBaselineProbeTest, AvailableExactlyForStatus200To399AtOnce)
{
    const std::pair<int, bool> cases[] = {{204, true}, {200, true},  {302, true},
                                          {399, true}, {404, false}, {500, false}};
    const QUrl endpoint = server.url(QStringLiteral("/generate_204"));
    for (const auto& [status, available] : cases) {
        server.serve("/generate_204", ServedResponse::with_status(status));
        const NetworkBaselineResult result = probe(endpoint, clock);
        EXPECT_EQ(result.is_available, available) << status;
        EXPECT_LT(result.duration, 1.0);
    }
    const NetworkBaselineResult refused = probe(
        QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(LocalHttpsServer::refused_port())), clock);
    EXPECT_FALSE(refused.is_available);
    EXPECT_LT(refused.duration, 1.0);
}

TEST_F(NetworkBaselineProbeTest, SlowAnswerIsAvailableWithItsDuration)
{
    server.serve("/generate_204", ServedResponse::delayed(300, 204));
    const NetworkBaselineResult result =
        probe(server.url(QStringLiteral("/generate_204")), Clock::system());
    EXPECT_TRUE(result.is_available);
    EXPECT_GE(result.duration, 0.3);
    EXPECT_LT(result.duration, 1.5);
}

TEST_F(NetworkBaselineProbeTest, OwnTimeOutAndWatchdogRacingGiveOneResult)
{
    server.serve("/generate_204", ServedResponse::silent());
    const NetworkBaselineResult result = probe(server.url(QStringLiteral("/generate_204")),
                                               Clock::system(), std::chrono::milliseconds(200));
    EXPECT_FALSE(result.is_available);
    EXPECT_LE(result.duration, 0.2);
    wait_for(100);
}

TEST_F(NetworkBaselineProbeTest, ReleasedProbeNeverCallsBack)
{
    server.serve("/generate_204", ServedResponse::silent());
    int calls = 0;
    {
        NetworkBaselineProbe probe(engine, clock, server.url(QStringLiteral("/generate_204")));
        probe.measure([&](NetworkBaselineResult) { ++calls; });
        ASSERT_TRUE(wait_until([&] { return server.requests().size() == 1; }));
    }
    clock.advance_by(5000);
    EXPECT_TRUE(wait_until([&] { return server.open_connections() == 0; }));
    wait_for(50);
    EXPECT_EQ(calls, 0);
}

TEST(ProbeEndpoint, ComesFromTheEnvironmentWhenUsable)
{
    const QUrl fallback = NetworkBaselineProbe::default_endpoint();
    const std::pair<const char*, QUrl> cases[] = {
        {"", fallback},
        {"https://127.0.0.1:8443/generate_204",
         QUrl(QStringLiteral("https://127.0.0.1:8443/generate_204"))},
        {"http://probe.test/generate_204", QUrl(QStringLiteral("http://probe.test/generate_204"))},
        {"ftp://probe.test/generate_204", fallback},
        {"https:///generate_204", fallback},
        {"not a url", fallback},
    };
    for (const auto& [environment, expected] : cases) {
        qputenv("TESSARY_PROBE_URL", environment);
        EXPECT_EQ(NetworkBaselineProbe::configured_endpoint(), expected) << environment;
    }
    qunsetenv("TESSARY_PROBE_URL");
    EXPECT_EQ(NetworkBaselineProbe::configured_endpoint(), fallback);
}

class SharedBaselineProbeTest : public NetworkBaselineProbeTest {
protected:
    int probe_requests() const
    {
        int count = 0;
        for (const ReceivedRequest& request : server.requests())
            count += request.target == "/generate_204" ? 1 : 0;
        return count;
    }
};

TEST_F(SharedBaselineProbeTest, MeasurementsStartingTogetherShareOneProbe)
{
    server.serve("/generate_204", ServedResponse::delayed(100, 204));
    SharedBaselineProbe shared(engine, clock, server.url(QStringLiteral("/generate_204")));
    QList<NetworkBaselineResult> results;
    for (int i = 0; i < 3; ++i)
        shared.measure([&](NetworkBaselineResult r) { results.append(r); });
    ASSERT_TRUE(wait_until([&] { return results.size() == 3; }));
    EXPECT_EQ(probe_requests(), 1);
    EXPECT_EQ(shared.probes_started(), 1);
    EXPECT_TRUE(results[0].is_available);
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(results[2], results[0]);
}

TEST_F(SharedBaselineProbeTest, AFinishedProbeIsNotReused)
{
    server.serve("/generate_204", ServedResponse::with_status(204));
    SharedBaselineProbe shared(engine, clock, server.url(QStringLiteral("/generate_204")));
    int calls = 0;
    // The second measurement starts from within the first one's result.
    shared.measure([&](NetworkBaselineResult) {
        ++calls;
        shared.measure([&](NetworkBaselineResult) { ++calls; });
    });
    ASSERT_TRUE(wait_until([&] { return calls == 2; }));
    EXPECT_EQ(probe_requests(), 2);
    EXPECT_EQ(shared.probes_started(), 2);
}

TEST_F(SharedBaselineProbeTest, WaitersShareTheWatchdogEndOfASilentProbeAtTheLimit)
{
    server.serve("/generate_204", ServedResponse::silent());
    SharedBaselineProbe shared(engine, clock, server.url(QStringLiteral("/generate_204")));
    QList<NetworkBaselineResult> results;
    shared.measure([&](NetworkBaselineResult r) { results.append(r); });
    ASSERT_TRUE(wait_until([&] { return server.requests().size() == 1; }));
    clock.advance_by(2000);
    shared.measure([&](NetworkBaselineResult r) { results.append(r); });
    clock.advance_by(999);
    EXPECT_TRUE(results.isEmpty());
    clock.advance_by(1);
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0], (NetworkBaselineResult{3.0, false}));
    EXPECT_EQ(results[1], results[0]);

    // The cancelled request's own end changes nothing.
    EXPECT_TRUE(wait_until([&] { return server.open_connections() == 0; }));
    wait_for(50);
    EXPECT_EQ(results.size(), 2);
}

} // namespace
