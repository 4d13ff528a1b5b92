#include "DataFolder.h"
#include "TessaryProcess.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A site that put escape sequences in its URL path and its error text (a
// hand-edited or hostile file would do the same).
const char* const domains_json =
    R"([{"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://evil.example/\u001b]0;owned\u0007","interval_seconds":60,"is_active":true},)"
    R"({"id":"1B1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://gone.example/\u009b31m\u007f","interval_seconds":60,"is_active":true,"is_archived":true}])";

const char* const history_json =
    R"({"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9":[)"
    R"({"id":"11111111-1111-4111-8111-111111111111","measured_at":"2025-01-31T09:16:00Z","total_time":0.2,"error_message":"boom\u001b[2J\r\nX-Fake: 1"}]})";

struct OutputCase {
    const char* name;
    QStringList arguments;
    // Must appear, with the placeholder where the control characters were.
    QByteArray expected;
};

class TerminalOutput : public ::testing::TestWithParam<OutputCase> {
protected:
    void SetUp() override
    {
        folder.write(u"domains.json"_s, domains_json);
        folder.write(u"measurement_history.json"_s, history_json);
    }

    DataFolder folder;
};

// C0 except the line break, DEL, and C1 (as UTF-8: C2 80 to C2 9F).
bool has_control_characters(const QByteArray& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = quint8(text[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7f)
            return true;
        if (c == 0xc2 && i + 1 < text.size() && quint8(text[i + 1]) >= 0x80 &&
            quint8(text[i + 1]) <= 0x9f)
            return true;
    }
    return false;
}

TEST_P(TerminalOutput, shows_control_characters_as_a_placeholder)
{
    const OutputCase& c = GetParam();
    QStringList arguments = c.arguments;
    arguments << u"--data-dir"_s << folder.path();
    const ProcessResult run = run_tessary(arguments);
    const QByteArray printed = run.out + run.err;
    EXPECT_FALSE(has_control_characters(printed)) << printed.constData();
    EXPECT_TRUE(printed.contains(c.expected)) << printed.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, TerminalOutput,
    ::testing::Values(
        OutputCase{"list", {u"list"_s}, "boom\xef\xbf\xbd[2J\xef\xbf\xbd\xef\xbf\xbdX-Fake: 1"},
        OutputCase{
            "list_url", {u"list"_s}, "https://evil.example/\xef\xbf\xbd]0;owned\xef\xbf\xbd"},
        OutputCase{"stats",
                   {u"stats"_s, u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s},
                   "https://evil.example/\xef\xbf\xbd]0;owned\xef\xbf\xbd"},
        OutputCase{"suggestions",
                   {u"suggestions"_s},
                   "https://gone.example/\xef\xbf\xbd"
                   "31m\xef\xbf\xbd"},
        OutputCase{"pin",
                   {u"pin"_s, u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s},
                   "Pinned https://evil.example/\xef\xbf\xbd]0;owned\xef\xbf\xbd"},
        OutputCase{"unknown_domain",
                   {u"stats"_s, u"nothing\x1b[2J"_s},
                   "no domain matches \"nothing\xef\xbf\xbd[2J\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TerminalOutputJson, json_output_keeps_escaping_as_json_does)
{
    DataFolder folder;
    folder.write(u"domains.json"_s, domains_json);
    folder.write(u"measurement_history.json"_s, history_json);
    const ProcessResult run = run_tessary({u"list"_s, u"--json"_s, u"--data-dir"_s, folder.path()});
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_FALSE(run.out.contains("\xef\xbf\xbd"));
    EXPECT_TRUE(run.out.toLower().contains("boom\\u001b[2j\\r\\nx-fake: 1")) << run.out.constData();
}

} // namespace
