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
    NetworkBaselineResult probe(const QUrl& endpoint)
    {
        NetworkBaselineProbe probe(engine, clock, endpoint, std::chrono::seconds(3));
        QList<NetworkBaselineResult> results;
        probe.measure([&](NetworkBaselineResult r) { results.append(r); });
        EXPECT_TRUE(wait_until([&] { return !results.isEmpty(); }));
        wait_for(20);
        EXPECT_EQ(results.size(), 1);
        EXPECT_EQ(clock.pending_count(), 0u) << "the watchdog is called off";
        return results.value(0);
    }

    QUrl endpoint() const { return server.url(QStringLiteral("/generate_204")); }

    LocalHttpsServer server;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit()}};
    ManualClock clock;
};

TEST_F(NetworkBaselineProbeTest, AvailableExactlyForStatus200To399)
{
    const std::pair<int, bool> cases[] = {{204, true}, {302, true}, {399, true}, {404, false}};
    for (const auto& [status, available] : cases) {
        server.serve("/generate_204", ServedResponse::with_status(status));
        EXPECT_EQ(probe(endpoint()).is_available, available) << status;
    }
    EXPECT_FALSE(
        probe(QUrl(QStringLiteral("https://127.0.0.1:%1/").arg(LocalHttpsServer::refused_port())))
            .is_available);
}

TEST_F(NetworkBaselineProbeTest, ReleasedProbeNeverCallsBack)
{
    server.serve("/generate_204", ServedResponse::silent());
    int calls = 0;
    {
        NetworkBaselineProbe probe(engine, clock, endpoint());
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

TEST_F(NetworkBaselineProbeTest, SharedProbeServesTheNextSecondThenProbesAgain)
{
    server.serve("/generate_204", ServedResponse::with_status(204));
    SharedBaselineProbe shared(engine, clock, endpoint());
    int calls = 0;
    // The second measurement starts from within the first one's result, never inside it.
    shared.measure([&](NetworkBaselineResult) {
        ++calls;
        shared.measure([&](NetworkBaselineResult) { ++calls; });
        EXPECT_EQ(calls, 1);
    });
    ASSERT_TRUE(wait_until([&] { return calls == 2; }));
    EXPECT_EQ(shared.probes_started(), 1);
    clock.advance_by(SharedBaselineProbe::reuse.count());
    shared.measure([&](NetworkBaselineResult) { ++calls; });
    ASSERT_TRUE(wait_until([&] { return calls == 3; }));
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(NetworkBaselineProbeTest, SharedProbeWaitersShareTheWatchdogEndOfASilentProbeAtTheLimit)
{
    server.serve("/generate_204", ServedResponse::silent());
    SharedBaselineProbe shared(engine, clock, endpoint());
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
