#include "measurement/MeasurementBuilder.h"

#include "i18n/L10n.h"
#include "measurement/HttpTransaction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

using namespace MeasurementBuilder;

namespace {

constexpr double none = -1.0;

std::optional<double> opt(double value)
{
    return value < 0 ? std::nullopt : std::optional<double>(value);
}

void expect_near_or_absent(std::optional<double> actual, double expected, const char* what)
{
    if (expected < 0) {
        EXPECT_FALSE(actual.has_value()) << what;
    } else {
        ASSERT_TRUE(actual.has_value()) << what;
        EXPECT_NEAR(*actual, expected, 1e-9) << what;
    }
}

struct DurationCase {
    double from;
    double to;
    double expected;
};

class DurationTest : public testing::TestWithParam<DurationCase> {};

TEST_P(DurationTest, ClampsAndNeedsBothInstants)
{
    const DurationCase& c = GetParam();
    expect_near_or_absent(duration(opt(c.from), opt(c.to)), c.expected, "duration");
}

INSTANTIATE_TEST_SUITE_P(Cases, DurationTest,
                         testing::Values(DurationCase{none, 1.0, none},
                                         DurationCase{1.0, none, none},
                                         DurationCase{1.0, 1.25, 0.25}, DurationCase{1.0, 0.5, 0.0},
                                         DurationCase{0.0, 0.0, 0.0}));

struct TransferCase {
    const char* name;
    HttpTransferTimes times;
    double offset;
    // Expected dns, connect, tls and ttfb of a measurement of this one transaction.
    double dns, connect, tls, ttfb;
};

class TransferMappingTest : public testing::TestWithParam<TransferCase> {};

TEST_P(TransferMappingTest, PhasesFollowFromCurlTimes)
{
    const TransferCase& c = GetParam();
    const QList<HttpTransaction> transactions{HttpTransaction::from_transfer(c.times, c.offset)};
    expect_near_or_absent(dns_time(transactions), c.dns, "dns");
    expect_near_or_absent(connect_time(transactions), c.connect, "connect");
    expect_near_or_absent(ssl_time(transactions), c.tls, "tls");
    expect_near_or_absent(ttfb_time(transactions), c.ttfb, "ttfb");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TransferMappingTest,
    testing::Values(
        TransferCase{"tls",
                     {0.010, 0.030, 0.080, 0.081, 0.200, 0.210, true},
                     0.0,
                     0.010,
                     0.020,
                     0.050,
                     0.119},
        TransferCase{"tls_later_hop",
                     {0.010, 0.030, 0.080, 0.081, 0.200, 0.210, true},
                     2.0,
                     0.010,
                     0.020,
                     0.050,
                     0.119},
        TransferCase{"plain_http",
                     {0.010, 0.030, 0.0, 0.031, 0.100, 0.110, true},
                     0.0,
                     0.010,
                     0.020,
                     none,
                     0.069},
        TransferCase{"reused_connection",
                     {0.001, 0.001, 0.001, 0.002, 0.050, 0.060, false},
                     0.5,
                     none,
                     none,
                     none,
                     0.048},
        TransferCase{
            "lookup_failed", {0.0, 0.0, 0.0, 0.0, 0.0, 0.020, true}, 0.0, none, none, none, none},
        TransferCase{"connect_refused",
                     {0.004, 0.0, 0.0, 0.0, 0.0, 0.005, true},
                     0.0,
                     0.004,
                     none,
                     none,
                     none},
        TransferCase{"no_first_byte",
                     {0.004, 0.006, 0.020, 0.021, 0.0, 15.0, true},
                     0.0,
                     0.004,
                     0.002,
                     0.014,
                     none}),
    [](const testing::TestParamInfo<TransferCase>& info) { return std::string(info.param.name); });

TEST(RedirectMappingTest, LookupConnectAndTlsFromTheFirstHopFirstByteFromTheLast)
{
    const QList<HttpTransaction> transactions{
        HttpTransaction::from_transfer({0.010, 0.030, 0.080, 0.081, 0.200, 0.210, true}, 0.0),
        HttpTransaction::from_transfer({0.002, 0.004, 0.030, 0.031, 0.531, 0.540, true}, 0.215),
    };
    EXPECT_NEAR(*dns_time(transactions), 0.010, 1e-9);
    EXPECT_NEAR(*connect_time(transactions), 0.020, 1e-9);
    EXPECT_NEAR(*ssl_time(transactions), 0.050, 1e-9);
    EXPECT_NEAR(*ttfb_time(transactions), 0.500, 1e-9);
}

TEST(RedirectMappingTest, EachPhaseSearchesOnItsOwn)
{
    // The first hop reused a connection; the second opened a plain one.
    const QList<HttpTransaction> transactions{
        HttpTransaction::from_transfer({0.001, 0.001, 0.001, 0.002, 0.050, 0.060, false}, 0.0),
        HttpTransaction::from_transfer({0.005, 0.015, 0.0, 0.016, 0.066, 0.070, true}, 0.061),
    };
    EXPECT_NEAR(*dns_time(transactions), 0.005, 1e-9);
    EXPECT_NEAR(*connect_time(transactions), 0.010, 1e-9);
    EXPECT_FALSE(ssl_time(transactions));
    EXPECT_NEAR(*ttfb_time(transactions), 0.050, 1e-9);
}

TEST(RedirectMappingTest, NoTransactionsNoPhases)
{
    EXPECT_FALSE(dns_time({}));
    EXPECT_FALSE(connect_time({}));
    EXPECT_FALSE(ssl_time({}));
    EXPECT_FALSE(ttfb_time({}));
}

TEST(RedirectMappingTest, InstantsOutOfOrderGiveZeroNotNegative)
{
    HttpTransaction odd;
    odd.domain_lookup_start = 1.0;
    odd.domain_lookup_end = 0.5;
    odd.request_start = 2.0;
    odd.response_start = 1.0;
    EXPECT_EQ(dns_time({odd}), 0.0);
    EXPECT_EQ(ttfb_time({odd}), 0.0);
}

TEST(XHeadersTest, KeepsOnlyXHeadersUnderLowerCaseNames)
{
    const HttpHeaderList headers{
        {"X-Cache", "HIT"},
        {"x-served-by", "cache-ams"},
        {"Server", "nginx"},
        {"Cache-Control", "no-store"},
        {"Xcache", "not an x- header"},
        {"X-Trace", "one"},
        {"x-TRACE", "two"},
    };
    const QMap<QString, QString> expected{
        {QStringLiteral("x-cache"), QStringLiteral("HIT")},
        {QStringLiteral("x-served-by"), QStringLiteral("cache-ams")},
        {QStringLiteral("x-trace"), QStringLiteral("two")},
    };
    EXPECT_EQ(x_headers(headers), expected);
}

TEST(UserAgentTest, TrimmedWithTheDefaultForNothing)
{
    const std::pair<QString, QString> cases[] = {
        {QString(), QStringLiteral("Tessarybot")},
        {QStringLiteral(" \t\n\r "), QStringLiteral("Tessarybot")},
        {QStringLiteral("  Mozilla/5.0 (X11) \n"), QStringLiteral("Mozilla/5.0 (X11)")},
        {QStringLiteral("Probe"), QStringLiteral("Probe")},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(normalized_user_agent(input), expected) << input.toStdString();
}

TEST(LocalNetworkRuleTest, StrictlySlowerThanTheLimitOrUnavailable)
{
    EXPECT_FALSE(is_local_network_issue({1.5, true}));
    EXPECT_TRUE(is_local_network_issue({1.51, true}));
    EXPECT_FALSE(is_local_network_issue({0.08, true}));
    EXPECT_TRUE(is_local_network_issue({0.01, false}));
    EXPECT_TRUE(is_local_network_issue({0.3, true}, 0.2));
}

// A text of `count` copies of `unit`, optionally after a prefix.
QString repeated(const QString& unit, int count, const QString& prefix = QString())
{
    QString text = prefix;
    for (int i = 0; i < count; ++i)
        text += unit;
    return text;
}

struct CutCase {
    const char* name;
    QString input;
    // The expected result: the input itself, or its first `kept` UTF-16 units and "…".
    bool cut;
    qsizetype kept;
};

void PrintTo(const CutCase& c, std::ostream* out)
{
    *out << c.name;
}

class HeaderValueCut : public testing::TestWithParam<CutCase> {};

TEST_P(HeaderValueCut, at_most_1024_bytes_cut_between_characters)
{
    const CutCase& c = GetParam();
    const HttpHeaderList headers{{"X-Big", c.input.toUtf8()}};
    const QString stored = x_headers(headers).value(QStringLiteral("x-big"));
    EXPECT_LE(stored.toUtf8().size(), 1024);
    if (!c.cut) {
        EXPECT_EQ(stored, c.input);
        return;
    }
    EXPECT_EQ(stored, c.input.first(c.kept) + QStringLiteral("\u2026"));
    EXPECT_EQ(QString::fromUtf8(stored.toUtf8()), stored) << "no character split";
}

const QString e_acute = QStringLiteral("\u00e9");      // 2 bytes
const QString euro = QStringLiteral("\u20ac");         // 3 bytes
const QString grinning = QStringLiteral("\U0001F600"); // 4 bytes, two UTF-16 units

INSTANTIATE_TEST_SUITE_P(
    Edges, HeaderValueCut,
    testing::Values(CutCase{"ascii_1024_kept", repeated(QStringLiteral("a"), 1024), false, 0},
                    CutCase{"ascii_1025_cut", repeated(QStringLiteral("a"), 1025), true, 1021},
                    CutCase{"two_byte_1024_kept", repeated(e_acute, 512), false, 0},
                    CutCase{"two_byte_1026_cut", repeated(e_acute, 513), true, 510},
                    CutCase{"three_byte_at_the_edge",
                            repeated(euro, 1, repeated(QStringLiteral("a"), 1020)) +
                                QStringLiteral("aa"),
                            true, 1020},
                    CutCase{"four_byte_1024_kept", repeated(grinning, 256), false, 0},
                    CutCase{"four_byte_1028_cut", repeated(grinning, 257), true, 510},
                    CutCase{"huge_value", repeated(QStringLiteral("z"), 4000), true, 1021}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XHeadersTest, at_most_32_names_the_first_received)
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

TEST(XHeadersTest, a_long_name_is_cut_too)
{
    const HttpHeaderList headers{{"X-" + QByteArray(3000, 'n'), "v"}};
    const QMap<QString, QString> stored = x_headers(headers);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.firstKey().toUtf8().size(), 1024);
    EXPECT_TRUE(stored.firstKey().endsWith(QStringLiteral("\u2026")));
}

class ErrorMessageCut : public testing::TestWithParam<CutCase> {};

TEST_P(ErrorMessageCut, at_most_512_characters)
{
    const CutCase& c = GetParam();
    RequestOutcome outcome;
    outcome.error = c.input;
    const QString stored = *build(outcome).error_message;
    EXPECT_LE(stored.toUcs4().size(), 512);
    EXPECT_EQ(stored, c.cut ? c.input.first(c.kept) + QStringLiteral("\u2026") : c.input);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, ErrorMessageCut,
    testing::Values(CutCase{"512_kept", repeated(QStringLiteral("e"), 512), false, 0},
                    CutCase{"513_cut", repeated(QStringLiteral("e"), 513), true, 511},
                    CutCase{"pairs_count_as_one", repeated(grinning, 512), false, 0},
                    CutCase{"pairs_cut_whole", repeated(grinning, 513), true, 1022},
                    CutCase{"pair_at_the_edge",
                            repeated(grinning, 2, repeated(QStringLiteral("e"), 511)), true, 511}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Rounding, phase_times_are_stored_to_the_microsecond)
{
    RequestOutcome outcome;
    outcome.transactions = {
        HttpTransaction::from_transfer({0.0010539999999999994, 0.0020000000000000018, 0.0031,
                                        0.0032, 0.0043000001, 0.0054999996, true},
                                       0.0)};
    outcome.task_duration = 0.0054999996;
    outcome.network_baseline_time = 0.0801234567;
    const DomainMeasurement m = build(outcome);
    EXPECT_EQ(*m.dns_time, 0.001054);
    EXPECT_EQ(*m.connect_time, 0.000946);
    EXPECT_EQ(*m.ssl_time, 0.0011);
    EXPECT_EQ(*m.ttfb_time, 0.0011);
    EXPECT_EQ(m.total_time, 0.0055);
    EXPECT_EQ(*m.network_baseline_time, 0.080123);
}

class BuildTest : public testing::Test {
protected:
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }

    static RequestOutcome finished_outcome()
    {
        RequestOutcome outcome;
        outcome.id = QUuid::createUuid();
        outcome.measured_at = QDateTime(QDate(2025, 3, 1), QTime(12, 0), Qt::UTC);
        outcome.requested_url = QStringLiteral("https://example.com/");
        outcome.transactions = {
            HttpTransaction::from_transfer({0.010, 0.030, 0.080, 0.081, 0.200, 0.210, true}, 0.0)};
        outcome.task_duration = 0.210;
        outcome.elapsed = 0.4;
        outcome.status = 200;
        outcome.response_headers = {{"X-Cache", "MISS"}, {"Server", "x"}};
        outcome.network_baseline_time = 0.08;
        return outcome;
    }
};

TEST_F(BuildTest, FinishedRequestUsesItsMetrics)
{
    const RequestOutcome outcome = finished_outcome();
    const DomainMeasurement m = build(outcome);
    EXPECT_EQ(m.id, outcome.id);
    EXPECT_EQ(m.measured_at, outcome.measured_at);
    EXPECT_EQ(m.url_string, QStringLiteral("https://example.com/"));
    EXPECT_NEAR(*m.dns_time, 0.010, 1e-9);
    EXPECT_NEAR(*m.connect_time, 0.020, 1e-9);
    EXPECT_NEAR(*m.ssl_time, 0.050, 1e-9);
    EXPECT_NEAR(*m.ttfb_time, 0.119, 1e-9);
    EXPECT_DOUBLE_EQ(m.total_time, 0.210);
    EXPECT_EQ(m.http_status, 200);
    EXPECT_EQ(m.response_x_headers.keys(), QStringList{QStringLiteral("x-cache")});
    EXPECT_FALSE(m.error_message);
    EXPECT_EQ(m.network_baseline_time, 0.08);
    EXPECT_FALSE(m.is_local_network_issue);
    EXPECT_TRUE(m.is_successful());
}

TEST_F(BuildTest, ClientErrorKeepsItsTextAndWhateverTimingsThereAre)
{
    RequestOutcome outcome = finished_outcome();
    outcome.transactions = {
        HttpTransaction::from_transfer({0.004, 0.0, 0.0, 0.0, 0.0, 0.005, true}, 0.0)};
    outcome.task_duration = 0.005;
    outcome.status.reset();
    outcome.response_headers.clear();
    outcome.error = QStringLiteral("Failed to connect to example.com port 443: Connection refused");
    const DomainMeasurement m = build(outcome);
    EXPECT_EQ(m.error_message, outcome.error);
    EXPECT_NEAR(*m.dns_time, 0.004, 1e-9);
    EXPECT_FALSE(m.connect_time);
    EXPECT_FALSE(m.http_status);
    EXPECT_TRUE(m.is_failed());
}

TEST_F(BuildTest, WatchdogCapsTheTotalAndWordsTheTimeOutInTheCurrentLanguage)
{
    RequestOutcome outcome = finished_outcome();
    outcome.transactions.clear();
    outcome.task_duration.reset();
    outcome.status.reset();
    outcome.elapsed = 15.004;
    outcome.timed_out = true;
    outcome.error = QStringLiteral("ignored");

    L10n::set_selected_language(AppLanguage::english);
    DomainMeasurement m = build(outcome);
    EXPECT_EQ(m.error_message, QStringLiteral("Request timed out after 15 seconds."));
    EXPECT_DOUBLE_EQ(m.total_time, 15.0);
    EXPECT_FALSE(m.ttfb_time);

    L10n::set_selected_language(AppLanguage::dutch);
    m = build(outcome);
    EXPECT_EQ(m.error_message, QStringLiteral("Request afgebroken na 15 seconden."));

    outcome.elapsed = 14.2;
    EXPECT_DOUBLE_EQ(build(outcome).total_time, 14.2);
}

TEST_F(BuildTest, WithoutMetricsTheTotalIsTheElapsedTime)
{
    RequestOutcome outcome = finished_outcome();
    outcome.transactions.clear();
    outcome.task_duration.reset();
    outcome.elapsed = 0.75;
    EXPECT_DOUBLE_EQ(build(outcome).total_time, 0.75);
}

} // namespace
