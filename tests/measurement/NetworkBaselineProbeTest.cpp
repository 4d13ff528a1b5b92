#include "measurement/NetworkBaselineProbe.h"

#include "EventLoopWait.h"
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
        EXPECT_TRUE(spin_until([&] { return calls > 0; }));
        EXPECT_EQ(calls, 1);
        return result;
    }

    LocalHttpsServer server;
    CurlEngine engine{CurlEngine::Options{.ca_bundle = server.ca_file().toLocal8Bit()}};
    ManualClock clock;
};

struct AnswerCase {
    const char* name;
    int status;
    bool available;
};

class ProbeAnswerTest : public NetworkBaselineProbeTest,
                        public testing::WithParamInterface<AnswerCase> {};

TEST_P(ProbeAnswerTest, AvailableExactlyForStatus200To399)
{
    server.serve("/generate_204", ServedResponse::with_status(GetParam().status));
    const NetworkBaselineResult result = probe(server.url(QStringLiteral("/generate_204")), clock);
    EXPECT_EQ(result.is_available, GetParam().available);
    EXPECT_LT(result.duration, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Statuses, ProbeAnswerTest,
                         testing::Values(AnswerCase{"no_content", 204, true},
                                         AnswerCase{"ok", 200, true},
                                         AnswerCase{"captive_portal_redirect", 302, true},
                                         AnswerCase{"not_found", 404, false},
                                         AnswerCase{"server_error", 500, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetworkBaselineProbeTest, RefusedConnectionIsUnavailableAtOnce)
{
    const QUrl endpoint(
        QStringLiteral("https://127.0.0.1:%1/generate_204").arg(LocalHttpsServer::refused_port()));
    const NetworkBaselineResult result = probe(endpoint, clock);
    EXPECT_FALSE(result.is_available);
    EXPECT_LT(result.duration, 1.0);
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

TEST_F(NetworkBaselineProbeTest, WatchdogEndsASilentProbeAtTheLimit)
{
    server.serve("/generate_204", ServedResponse::silent());
    NetworkBaselineProbe probe(engine, clock, server.url(QStringLiteral("/generate_204")));
    QList<NetworkBaselineResult> results;
    probe.measure([&](NetworkBaselineResult r) { results.append(r); });
    ASSERT_TRUE(spin_until([&] { return server.requests().size() == 1; }));
    EXPECT_TRUE(results.isEmpty());

    clock.advance_by(2999);
    EXPECT_TRUE(results.isEmpty());
    clock.advance_by(1);
    ASSERT_EQ(results.size(), 1);
    EXPECT_EQ(results[0], (NetworkBaselineResult{3.0, false}));

    // The cancelled request's own end changes nothing.
    EXPECT_TRUE(spin_until([&] { return server.open_connections() == 0; }));
    spin_for(50);
    EXPECT_EQ(results.size(), 1);
}

TEST_F(NetworkBaselineProbeTest, OwnTimeOutAndWatchdogRacingGiveOneResult)
{
    server.serve("/generate_204", ServedResponse::silent());
    const NetworkBaselineResult result = probe(server.url(QStringLiteral("/generate_204")),
                                               Clock::system(), std::chrono::milliseconds(200));
    EXPECT_FALSE(result.is_available);
    EXPECT_LE(result.duration, 0.2);
    spin_for(100);
}

TEST_F(NetworkBaselineProbeTest, AnswerFirstCancelsTheWatchdog)
{
    server.serve("/generate_204", ServedResponse::with_status(204));
    NetworkBaselineProbe probe(engine, clock, server.url(QStringLiteral("/generate_204")));
    int calls = 0;
    probe.measure([&](NetworkBaselineResult) { ++calls; });
    ASSERT_TRUE(spin_until([&] { return calls == 1; }));
    EXPECT_EQ(clock.pending_count(), 0u);
}

TEST_F(NetworkBaselineProbeTest, ReleasedProbeNeverCallsBack)
{
    server.serve("/generate_204", ServedResponse::silent());
    int calls = 0;
    {
        NetworkBaselineProbe probe(engine, clock, server.url(QStringLiteral("/generate_204")));
        probe.measure([&](NetworkBaselineResult) { ++calls; });
        ASSERT_TRUE(spin_until([&] { return server.requests().size() == 1; }));
    }
    clock.advance_by(5000);
    EXPECT_TRUE(spin_until([&] { return server.open_connections() == 0; }));
    spin_for(50);
    EXPECT_EQ(calls, 0);
}

struct EndpointCase {
    const char* name;
    const char* environment; // nullptr: unset
    const char* expected;    // nullptr: the default
};

class ProbeEndpointTest : public testing::TestWithParam<EndpointCase> {
protected:
    void TearDown() override { qunsetenv("TESSARY_PROBE_URL"); }
};

TEST_P(ProbeEndpointTest, ComesFromTheEnvironmentWhenUsable)
{
    if (GetParam().environment == nullptr)
        qunsetenv("TESSARY_PROBE_URL");
    else
        qputenv("TESSARY_PROBE_URL", GetParam().environment);
    const QUrl expected = GetParam().expected == nullptr
                              ? NetworkBaselineProbe::default_endpoint()
                              : QUrl(QString::fromUtf8(GetParam().expected));
    EXPECT_EQ(NetworkBaselineProbe::configured_endpoint(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProbeEndpointTest,
    testing::Values(EndpointCase{"unset", nullptr, nullptr}, EndpointCase{"empty", "", nullptr},
                    EndpointCase{"https", "https://127.0.0.1:8443/generate_204",
                                 "https://127.0.0.1:8443/generate_204"},
                    EndpointCase{"http", "http://probe.test/generate_204",
                                 "http://probe.test/generate_204"},
                    EndpointCase{"other_scheme", "ftp://probe.test/generate_204", nullptr},
                    EndpointCase{"no_host", "https:///generate_204", nullptr},
                    EndpointCase{"not_a_url", "not a url", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

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
    ASSERT_TRUE(spin_until([&] { return results.size() == 3; }));
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
    ASSERT_TRUE(spin_until([&] { return calls == 2; }));
    EXPECT_EQ(probe_requests(), 2);
    EXPECT_EQ(shared.probes_started(), 2);
}

TEST_F(SharedBaselineProbeTest, WaitersShareAWatchdogEnd)
{
    server.serve("/generate_204", ServedResponse::silent());
    SharedBaselineProbe shared(engine, clock, server.url(QStringLiteral("/generate_204")));
    QList<NetworkBaselineResult> results;
    shared.measure([&](NetworkBaselineResult r) { results.append(r); });
    clock.advance_by(2000);
    shared.measure([&](NetworkBaselineResult r) { results.append(r); });
    clock.advance_by(1000);
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0], (NetworkBaselineResult{3.0, false}));
    EXPECT_EQ(results[1], results[0]);
}

} // namespace
