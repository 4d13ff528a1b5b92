#include "store/ParallelHistoryReader.h"

#include "DataFolder.h"
#include "store/HistoryReader.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray measurement(const QByteArray& more = {})
{
    return R"({"id":"0A000000-0000-4000-8000-000000000002","measured_at":"2025-01-31T09:15:00Z",)"
           R"("total_time":0.25)" +
           more + "}";
}

const QByteArray m = measurement();
const QByteArray escaped = measurement(R"(,"error_message":"a \"}]{[\" \\\\\" \\ \u00e9 “ü”")");
const QByteArray nested =
    measurement(R"(,"later":{"a":[1,{"b":"]}\""}],"c":{}},"more":[[],[{}]],"http_status":204)");
const QByteArray headers = measurement(R"(,"response_x_headers":{"x-a":"1\\","x-b":"\"{"})");
const QByteArray several = R"({"K":[)" + escaped + "," + m + ",\n " + nested + "," + headers +
                           R"(],"L":[ ],"0a000000-0000-4000-8000-000000000001":[)" + headers + "]}";

// Whatever the parallel reader takes, cut however it is, it reads as the
// sequential reader does; what it does not take is left to that reader.
TEST(ParallelHistoryReader, reads_what_it_takes_as_the_sequential_reader_does)
{
    const struct {
        const char* name;
        QByteArray text;
        bool valid;
        bool taken;
    } cases[] = {
        {"empty file", "", false, false},
        {"no lists", " {\n\t} \r\n", true, true},
        {"empty lists", R"({"K":[],"L":[ ]})", true, true},
        {"escapes, nesting, headers", several, true, true},
        {"repeated key keeps the last", R"({"K":[)" + m + R"(],"K":[)" + escaped + "]}", true,
         true},
        {"id keys in either case",
         R"({"0A000000-0000-4000-8000-000000000001":[)" + m +
             R"(],"0a000000-0000-4000-8000-000000000001":[]})",
         true, true},
        {"unicode key", "{\"cl\xC3\xA9\":[" + m + "]}", true, true},
        {"escaped key", R"({"K\"":[)" + m + "]}", true, false},
        {"unicode escape in key", R"({"\u004B":[)" + m + "]}", true, false},
        {"trailing garbage", R"({"K":[)" + m + "]}x", false, false},
        {"second root", R"({"K":[]}{})", false, false},
        {"list as root", "[" + m + "]", false, false},
        {"trailing comma", R"({"K":[)" + m + ",]}", false, false},
        {"missing comma", R"({"K":[)" + m + m + "]}", false, false},
        {"number as measurement", R"({"K":[)" + m + ",1]}", false, false},
        {"object as list", R"({"K":{}})", false, false},
        {"mismatched brackets", R"({"K":[{"a":[}]}]})", false, false},
        {"missing required key", R"({"K":[{"id":"0A000000-0000-4000-8000-000000000002"}]})", false,
         false},
        {"number out of range", R"({"K":[)" + measurement(R"(,"dns_time":1e999)") + "]}", false,
         false},
        {"control character", R"({"K":[)" + measurement(",\"error_message\":\"a\tb\"") + "]}",
         false, false},
        {"NUL in string",
         R"({"K":[)" + measurement(QByteArray(",\"error_message\":\"a\0b\"", 22)) + "]}", false,
         false},
        {"invalid UTF-8 in string",
         R"({"K":[)" + measurement(",\"error_message\":\"a\xC3(\"") + "]}", false, false},
        {"invalid UTF-8 in key", "{\"\xC3(\":[]}", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto sequential = HistoryReader::read(c.text);
        ASSERT_EQ(sequential.has_value(), c.valid);
        for (const int helpers : {0, 2}) {
            for (const qint64 piece_bytes : {1, 150, 1 << 20}) {
                for (const qint64 block_bytes : {1, 7, 1 << 20}) {
                    SCOPED_TRACE(testing::Message()
                                 << helpers << " helpers, pieces of " << piece_bytes
                                 << ", blocks of " << block_bytes);
                    auto parallel =
                        ParallelHistoryReader::read(c.text, {helpers, piece_bytes, block_bytes});
                    ASSERT_EQ(parallel.has_value(), c.taken);
                    if (!parallel)
                        continue;
                    EXPECT_EQ(*parallel, *sequential);
                    // New measurements go to the head without moving the history.
                    for (QList<DomainMeasurement>& list : *parallel) {
                        const DomainMeasurement* const first = list.constData();
                        list.prepend({});
                        EXPECT_TRUE(list.size() == 1 || list.constData() + 1 == first);
                    }
                }
            }
        }
    }
}

TEST(ParallelHistoryReader, refuses_every_truncation_and_the_file_reader_reports_it)
{
    DataFolder folder;
    for (qsizetype length = 0; length < several.size(); ++length) {
        const QByteArray torn = several.left(length);
        ASSERT_FALSE(ParallelHistoryReader::read(torn, {1, 1, 7})) << length;
        if (length % 16 != 0)
            continue;
        folder.write(u"history.json"_s, torn);
        const auto from_file = HistoryReader::read_file(folder.file(u"history.json"_s));
        ASSERT_FALSE(from_file) << length;
        EXPECT_EQ(from_file.error().to_string(), HistoryReader::read(torn).error().to_string());
    }
    folder.write(u"history.json"_s, several);
    EXPECT_EQ(HistoryReader::read_file(folder.file(u"history.json"_s)).value(),
              HistoryReader::read(several).value());
}

} // namespace
