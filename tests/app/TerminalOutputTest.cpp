#include "DataFolder.h"
#include "TessaryProcess.h"

#include <QRegularExpression>

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

// Each command that prints stored or given text, and what must appear with the
// placeholder where the control characters were.
TEST(TerminalOutput, shows_control_characters_as_a_placeholder_but_json_escapes_them)
{
    DataFolder folder;
    folder.write(u"domains.json"_s, domains_json);
    folder.write(u"measurement_history.json"_s, history_json);
    const std::pair<QStringList, QByteArray> cases[] = {
        {{u"list"_s}, "boom\xef\xbf\xbd[2J\xef\xbf\xbd\xef\xbf\xbdX-Fake: 1"},
        {{u"stats"_s, u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s},
         "https://evil.example/\xef\xbf\xbd]0;owned\xef\xbf\xbd"},
        {{u"suggestions"_s},
         "https://gone.example/\xef\xbf\xbd"
         "31m\xef\xbf\xbd"},
        {{u"pin"_s, u"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"_s},
         "Pinned https://evil.example/\xef\xbf\xbd]0;owned\xef\xbf\xbd"},
        {{u"stats"_s, u"nothing\x1b[2J"_s}, "no domain matches \"nothing\xef\xbf\xbd[2J\""},
    };
    // C0 except the line break, DEL and C1.
    const QRegularExpression control(u"[\\x00-\\x09\\x0b-\\x1f\\x7f-\\x9f]"_s);
    for (const auto& [arguments, expected] : cases) {
        const ProcessResult run =
            run_tessary(arguments + QStringList{u"--data-dir"_s, folder.path()});
        const QByteArray printed = run.out + run.err;
        EXPECT_FALSE(QString::fromUtf8(printed).contains(control)) << printed.constData();
        EXPECT_TRUE(printed.contains(expected)) << printed.constData();
    }
    const ProcessResult json =
        run_tessary({u"list"_s, u"--json"_s, u"--data-dir"_s, folder.path()});
    EXPECT_FALSE(json.out.contains("\xef\xbf\xbd"));
    EXPECT_TRUE(json.out.toLower().contains("boom\\u001b[2j\\r\\nx-fake: 1"))
        << json.out.constData();
}

} // namespace
