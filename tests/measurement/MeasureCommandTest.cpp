#include "CommandLine.h"
#include "LocalHttpsServer.h"
#include "model/MeasurementJson.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

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
        server->serve("/hostile", ServedResponse::with_status(200)
                                      .header("X-Title", "\x1b]0;owned\x07")
                                      .header("X-Clear", "a\x1b[2J\x7f\xc2\x9bz"));
    }

    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override { use_probe(server->url(u"/generate_204"_s)); }

    static void use_probe(const QUrl& url) { qputenv("TESSARY_PROBE_URL", url.toEncoded()); }

    static CommandRun run(QStringList arguments)
    {
        CommandRun result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        arguments.prepend(u"measure"_s);
        arguments.prepend(u"tessary"_s);
        result.code = CommandLine::run(arguments, out, err);
        out.flush();
        err.flush();
        return result;
    }

    static QString site(const QString& path = u"/"_s) { return server->url(path).toString(); }

    static LocalHttpsServer* server;
};

LocalHttpsServer* MeasureCommandTest::server = nullptr;

// Typed input is normalised to https without www.
TEST_F(MeasureCommandTest, JsonIsTheStoredFormOfTheMeasurement)
{
    const QString typed = u"  http://www.localhost:%1/?x=1 "_s.arg(server->port());
    const CommandRun result = run({typed, u"--json"_s, u"--user-agent"_s, u" Checker/1 "_s});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    const DecodeResult<DomainMeasurement> decoded =
        MeasurementJson::decode(result.out.trimmed().toUtf8());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->url_string, u"https://localhost:%1/?x=1"_s.arg(server->port()));
    EXPECT_EQ(decoded->http_status, 200);
    EXPECT_TRUE(decoded->ttfb_time && decoded->network_baseline_time);
    EXPECT_EQ(decoded->response_x_headers.value(u"x-cache"_s), u"HIT"_s);
    EXPECT_EQ(server->requests().last().header("user-agent"), "Checker/1");
}

TEST_F(MeasureCommandTest, BreakdownListsThePhasesAndShowsControlCharactersAsPlaceholders)
{
    const CommandRun result = run({site()});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    for (const char* expected : {"Status", "200", "DNS lookup", "TCP connect", "TLS handshake",
                                 "Time to first byte", "Total", "Baseline probe", "x-cache: HIT"})
        EXPECT_TRUE(result.out.contains(QString::fromUtf8(expected))) << expected;

    const CommandRun hostile = run({site(u"/hostile"_s)});
    ASSERT_EQ(hostile.code, 0) << hostile.err.toStdString();
    const QString mark = u"\ufffd"_s;
    EXPECT_TRUE(hostile.out.contains(u"x-title: "_s + mark + u"]0;owned"_s + mark));
    EXPECT_TRUE(hostile.out.contains(u"x-clear: a"_s + mark + u"[2J"_s + mark + mark + u"z"_s));
    for (const QChar c : hostile.out)
        EXPECT_TRUE(c == u'\n' || !(c < u' ' || (c >= QChar(0x7f) && c <= QChar(0x9f))))
            << "control character " << int(c.unicode());
}

TEST_F(MeasureCommandTest, FailedSiteIsStillAMeasurementNoUsableNetworkExitsWithTwo)
{
    const QString refused = u"https://127.0.0.1:%1/"_s.arg(LocalHttpsServer::refused_port());
    const CommandRun failed = run({refused});
    EXPECT_EQ(failed.code, 0) << failed.err.toStdString();
    EXPECT_TRUE(failed.out.contains(u"Error")) << failed.out.toStdString();

    use_probe(QUrl(refused));
    const CommandRun result = run({site()});
    EXPECT_EQ(result.code, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains(u"no usable network")) << result.err.toStdString();
}

TEST_F(MeasureCommandTest, BadInputExitsWithOne)
{
    const QStringList cases[] = {
        {u"   "_s}, {}, {site(), u"--frobnicate"_s}, {site(), u"--user-agent"_s}, {site(), site()},
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
