#include "CommandLine.h"
#include "LocalHttpsServer.h"
#include "model/MeasurementJson.h"

#include <gtest/gtest.h>

namespace {

struct CommandRun {
    int code = -1;
    QString out;
    QString err;
};

// The command uses the application's engine, which reads its CA file once, so
// one server serves every test here.
class MeasureCommandTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new LocalHttpsServer();
        ASSERT_TRUE(server->is_running()) << server->error().toStdString();
        qputenv("TESSARY_CA_BUNDLE", server->ca_file().toLocal8Bit());
        server->serve("/generate_204", ServedResponse::with_status(204));
        server->serve(
            "/",
            ServedResponse::with_status(200).header("X-Cache", "HIT").header("Server", "local"));
        server->serve("/gone", ServedResponse::with_status(410));
        server->serve("/hostile", ServedResponse::with_status(200)
                                      .header("X-Title", "\x1b]0;owned\x07")
                                      .header("X-Clear", "a\x1b[2J\x7f\xc2\x9bz"));
    }

    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override { use_probe(server->url(QStringLiteral("/generate_204"))); }

    static void use_probe(const QUrl& url) { qputenv("TESSARY_PROBE_URL", url.toEncoded()); }

    static CommandRun run(QStringList arguments)
    {
        CommandRun result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        arguments.prepend(QStringLiteral("measure"));
        arguments.prepend(QStringLiteral("tessary"));
        result.code = CommandLine::run(arguments, out, err);
        out.flush();
        err.flush();
        return result;
    }

    static QString site(const QString& path = QStringLiteral("/"))
    {
        return server->url(path).toString();
    }

    static LocalHttpsServer* server;
};

LocalHttpsServer* MeasureCommandTest::server = nullptr;

TEST_F(MeasureCommandTest, JsonIsTheStoredFormOfTheMeasurement)
{
    const CommandRun result = run({site(), QStringLiteral("--json"), QStringLiteral("--user-agent"),
                                   QStringLiteral(" Checker/1 ")});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    const DecodeResult<DomainMeasurement> decoded =
        MeasurementJson::decode(result.out.trimmed().toUtf8());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->http_status, 200);
    EXPECT_EQ(decoded->url_string, site());
    EXPECT_TRUE(decoded->dns_time && decoded->connect_time && decoded->ssl_time &&
                decoded->ttfb_time && decoded->network_baseline_time);
    EXPECT_EQ(decoded->response_x_headers.value(QStringLiteral("x-cache")), QStringLiteral("HIT"));
    EXPECT_EQ(server->requests().last().header("user-agent"), "Checker/1");
}

TEST_F(MeasureCommandTest, BreakdownListsThePhases)
{
    const CommandRun result = run({site()});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    for (const char* expected : {"Status", "200", "DNS lookup", "TCP connect", "TLS handshake",
                                 "Time to first byte", "Total", "Baseline probe", "x-cache: HIT"})
        EXPECT_TRUE(result.out.contains(QString::fromUtf8(expected)))
            << expected << " missing from\n"
            << result.out.toStdString();
    EXPECT_FALSE(result.out.contains(u"server:"));
}

TEST_F(MeasureCommandTest, ControlCharactersFromTheSiteReachTheTerminalAsPlaceholders)
{
    const CommandRun breakdown = run({site(QStringLiteral("/hostile"))});
    ASSERT_EQ(breakdown.code, 0) << breakdown.err.toStdString();
    const QString mark = QStringLiteral("\ufffd");
    EXPECT_TRUE(breakdown.out.contains(QStringLiteral("x-title: ") + mark +
                                       QStringLiteral("]0;owned") + mark))
        << breakdown.out.toStdString();
    EXPECT_TRUE(breakdown.out.contains(QStringLiteral("x-clear: a") + mark + QStringLiteral("[2J") +
                                       mark + mark + QStringLiteral("z")))
        << breakdown.out.toStdString();
    for (const QChar c : breakdown.out)
        EXPECT_TRUE(c == u'\n' || !(c < u' ' || (c >= QChar(0x7f) && c <= QChar(0x9f))))
            << "control character " << int(c.unicode());

    // The JSON form escapes them as JSON does, and keeps the text as the site sent it.
    const CommandRun json = run({site(QStringLiteral("/hostile")), QStringLiteral("--json")});
    ASSERT_EQ(json.code, 0);
    EXPECT_FALSE(json.out.contains(mark));
    const DecodeResult<DomainMeasurement> decoded =
        MeasurementJson::decode(json.out.trimmed().toUtf8());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->response_x_headers.value(QStringLiteral("x-title")),
              QStringLiteral("\x1b]0;owned\x07"));
}

TEST_F(MeasureCommandTest, InputIsNormalisedToHttpsWithoutWww)
{
    const QString typed = QStringLiteral("  http://www.localhost:%1/gone?x=1 ").arg(server->port());
    const CommandRun result = run({typed, QStringLiteral("--json")});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    const DecodeResult<DomainMeasurement> decoded =
        MeasurementJson::decode(result.out.trimmed().toUtf8());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->url_string,
              QStringLiteral("https://localhost:%1/gone?x=1").arg(server->port()));
    EXPECT_EQ(decoded->http_status, 410);
}

TEST_F(MeasureCommandTest, FailedSiteIsStillAMeasurement)
{
    const CommandRun result =
        run({QStringLiteral("https://127.0.0.1:%1/").arg(LocalHttpsServer::refused_port())});
    EXPECT_EQ(result.code, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(u"Error")) << result.out.toStdString();
}

TEST_F(MeasureCommandTest, NoUsableNetworkExitsWithTwo)
{
    use_probe(QUrl(
        QStringLiteral("https://127.0.0.1:%1/generate_204").arg(LocalHttpsServer::refused_port())));
    const CommandRun result = run({site()});
    EXPECT_EQ(result.code, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains(u"no usable network")) << result.err.toStdString();
}

TEST_F(MeasureCommandTest, BadInputExitsWithOne)
{
    const QStringList cases[] = {
        {QStringLiteral("   ")},
        {QStringLiteral("https://")},
        {QStringLiteral("http://exa mple.com")},
        {},
        {site(), QStringLiteral("--frobnicate")},
        {site(), QStringLiteral("--user-agent")},
        {site(), site()},
    };
    const qsizetype requests_before = server->requests().size();
    for (const QStringList& arguments : cases) {
        const CommandRun result = run(arguments);
        EXPECT_EQ(result.code, 1) << arguments.join(u' ').toStdString();
        EXPECT_FALSE(result.err.isEmpty());
    }
    EXPECT_EQ(server->requests().size(), requests_before);
}

} // namespace
