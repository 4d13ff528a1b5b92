#include "measurement/MeasurementBuilder.h"

#include "i18n/L10n.h"
#include "measurement/HttpTransaction.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

using namespace MeasurementBuilder;

namespace {

TEST(Duration, ClampsAndNeedsBothInstants)
{
    EXPECT_FALSE(duration(std::nullopt, 1.0));
    EXPECT_EQ(duration(1.0, 1.25), 0.25);
    EXPECT_EQ(duration(1.0, 0.5), 0.0);
}

// Curl's times of one request and its start after the first one's.
using Hop = std::pair<HttpTransferTimes, double>;
// DNS, connect, TLS and time to first byte.
using Phases = std::array<std::optional<double>, 4>;
constexpr std::nullopt_t none = std::nullopt;

// A TLS request, as curl times it.
constexpr HttpTransferTimes tls{0.010, 0.030, 0.080, 0.081, 0.200, 0.210, true};
constexpr HttpTransferTimes reused{0.001, 0.001, 0.001, 0.002, 0.05, 0.06, false};

TEST(Phases, FollowFromCurlTimesLookupConnectTlsFromTheFirstHopThatHasThemFirstByteFromTheLast)
{
    // clang-format off
    const std::tuple<const char*, Phases, QList<Hop>> cases[] = {
        {"tls", {0.01, 0.02, 0.05, 0.119}, {{tls, 2}}},
        {"plain http", {0.01, 0.02, none, 0.069}, {{{0.01, 0.03, 0, 0.031, 0.1, 0.11, true}, 0}}},
        {"reused connection", {none, none, none, 0.048}, {{reused, 0.5}}},
        {"lookup failed", {none, none, none, none}, {{{0, 0, 0, 0, 0, 0.02, true}, 0}}},
        {"connect refused", {0.004, none, none, none}, {{{0.004, 0, 0, 0, 0, 0.005, true}, 0}}},
        {"no first byte", {0.004, 0.002, 0.014, none}, {{{0.004, 0.006, 0.02, 0.021, 0, 15, true}, 0}}},
        {"redirect", {0.01, 0.02, 0.05, 0.5},
         {{tls, 0}, {{0.002, 0.004, 0.03, 0.031, 0.531, 0.54, true}, 0.215}}},
        {"reused then plain", {0.005, 0.01, none, 0.05},
         {{reused, 0}, {{0.005, 0.015, 0, 0.016, 0.066, 0.07, true}, 0.061}}},
        {"no transactions", {none, none, none, none}, {}},
    };
    // clang-format on
    // To the microsecond, as stored.
    const auto micro = [](std::optional<double> v) {
        return v ? std::optional(std::round(*v * 1e6) / 1e6) : v;
    };
    for (const auto& [name, expected, hops] : cases) {
        QList<HttpTransaction> t;
        for (const auto& [times, offset] : hops)
            t.append(HttpTransaction::from_transfer(times, offset));
        EXPECT_EQ((Phases{micro(dns_time(t)), micro(connect_time(t)), micro(ssl_time(t)),
                          micro(ttfb_time(t))}),
                  expected)
            << name;
    }
}

TEST(XHeaders, KeepsOnlyXHeadersUnderLowerCaseNamesTheLastOfACaseWinning)
{
    const HttpHeaderList headers{
        {"X-Cache", "HIT"},  {"x-served-by", "cache-ams"},
        {"Server", "nginx"}, {"Xcache", "not an x- header"},
        {"X-Trace", "one"},  {"x-TRACE", "two"},
    };
    const QMap<QString, QString> expected{
        {QStringLiteral("x-cache"), QStringLiteral("HIT")},
        {QStringLiteral("x-served-by"), QStringLiteral("cache-ams")},
        {QStringLiteral("x-trace"), QStringLiteral("two")}};
    EXPECT_EQ(x_headers(headers), expected);

    const QMap<QString, QString> long_name = x_headers({{"X-" + QByteArray(3000, 'n'), "v"}});
    ASSERT_EQ(long_name.size(), 1);
    EXPECT_EQ(long_name.firstKey().toUtf8().size(), 1024);
}

TEST(XHeaders, AtMost32NamesTheFirstReceived)
{
    HttpHeaderList headers;
    for (int i = 0; i < 40; ++i)
        headers.append({"X-H" + QByteArray::number(100 + i), QByteArray("v")});
    // Names already kept still take their last value.
    headers.append({QByteArray("x-h100"), QByteArray("last")});
    const QMap<QString, QString> stored = x_headers(headers);
    ASSERT_EQ(stored.size(), 32);
    EXPECT_TRUE(stored.contains(QStringLiteral("x-h131")));
    EXPECT_FALSE(stored.contains(QStringLiteral("x-h132")));
    EXPECT_EQ(stored.value(QStringLiteral("x-h100")), QStringLiteral("last"));
}

TEST(LocalNetworkRule, StrictlySlowerThanTheLimitOrUnavailable)
{
    EXPECT_FALSE(is_local_network_issue({1.5, true}));
    EXPECT_TRUE(is_local_network_issue({1.51, true}));
    EXPECT_TRUE(is_local_network_issue({0.01, false}));
    EXPECT_TRUE(is_local_network_issue({0.3, true}, 0.2));
}

RequestOutcome failed_with(const QString& error)
{
    RequestOutcome outcome;
    outcome.error = error;
    return outcome;
}

struct CutCase {
    const char* name;
    bool error_message; // else a header value
    QString input;
    // The input itself (-1), or its first `kept` UTF-16 units and "…".
    qsizetype kept;
};

TEST(Cut, HeaderValuesKeepAtMost1024BytesErrorsAtMost512CharactersCutBetweenCharacters)
{
    const QString a = QStringLiteral("a");
    const QString e_acute = QStringLiteral("\u00e9");      // 2 bytes
    const QString euro = QStringLiteral("\u20ac");         // 3 bytes
    const QString grinning = QStringLiteral("\U0001F600"); // 4 bytes, two UTF-16 units
    const CutCase cases[] = {
        {"ascii 1024 kept", false, a.repeated(1024), -1},
        {"ascii 1025 cut", false, a.repeated(1025), 1021},
        {"two byte 1024 kept", false, e_acute.repeated(512), -1},
        {"two byte 1026 cut", false, e_acute.repeated(513), 510},
        {"three byte at the edge", false, a.repeated(1020) + euro + a + a, 1020},
        {"four byte 1028 cut", false, grinning.repeated(257), 510},
        {"512 kept", true, a.repeated(512), -1},
        {"513 cut", true, a.repeated(513), 511},
        {"pairs count as one", true, grinning.repeated(512), -1},
        {"pairs cut whole", true, grinning.repeated(513), 1022},
        {"pair at the edge", true, a.repeated(511) + grinning + grinning, 511},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString stored =
            c.error_message
                ? *build(failed_with(c.input)).error_message
                : x_headers({{"X-Big", c.input.toUtf8()}}).value(QStringLiteral("x-big"));
        EXPECT_EQ(stored, c.kept < 0 ? c.input : c.input.first(c.kept) + QStringLiteral("\u2026"));
    }
}

class Build : public testing::Test {
protected:
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }

    RequestOutcome outcome{
        .id = QUuid::createUuid(),
        .measured_at = QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC),
        .requested_url = QStringLiteral("https://example.com/"),
        .transactions = {HttpTransaction::from_transfer({0.0010539999999999994,
                                                         0.0020000000000000018, 0.0031, 0.0032,
                                                         0.0043000001, 0.0054999996, true},
                                                        0.0)},
        .task_duration = 0.0054999996,
        .elapsed = 0.4,
        .status = 200,
        .response_headers = {{"X-Cache", "MISS"}, {"Server", "x"}},
        .error = std::nullopt,
        .network_baseline_time = 0.0801234567,
        .certificate_expires_at = {},
    };
};

TEST_F(Build, FinishedRequestUsesItsMetricsStoredToTheMicrosecond)
{
    const DomainMeasurement m = build(outcome);
    EXPECT_EQ(m.measured_at, outcome.measured_at);
    EXPECT_EQ(*m.dns_time, 0.001054);
    EXPECT_EQ(*m.connect_time, 0.000946);
    EXPECT_EQ(*m.ssl_time, 0.0011);
    EXPECT_EQ(*m.ttfb_time, 0.0011);
    EXPECT_EQ(m.total_time, 0.0055);
    EXPECT_EQ(*m.network_baseline_time, 0.080123);
    EXPECT_EQ(m.http_status, 200);
    EXPECT_EQ(m.response_x_headers.keys(), QStringList{QStringLiteral("x-cache")});
    EXPECT_FALSE(m.error_message);
    EXPECT_TRUE(m.is_successful());
}

TEST_F(Build, TimeOutCapsTheTotalAndIsWordedInTheCurrentLanguageWithoutMetricsTheTotalIsElapsed)
{
    outcome.transactions.clear();
    outcome.task_duration.reset();
    outcome.status.reset();
    outcome.elapsed = 0.75;
    EXPECT_DOUBLE_EQ(build(outcome).total_time, 0.75);

    outcome.elapsed = 15.004;
    outcome.timed_out = true;
    outcome.error = QStringLiteral("ignored");
    L10n::set_selected_language(AppLanguage::dutch);
    const DomainMeasurement m = build(outcome);
    EXPECT_EQ(m.error_message, QStringLiteral("Request afgebroken na 15 seconden."));
    EXPECT_DOUBLE_EQ(m.total_time, 15.0);
    outcome.elapsed = 14.2;
    EXPECT_DOUBLE_EQ(build(outcome).total_time, 14.2);
}

} // namespace
