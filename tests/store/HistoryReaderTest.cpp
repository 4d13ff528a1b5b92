#include "DataFolder.h"
#include "model/MeasurementJson.h"
#include "store/HistoryJson.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

using namespace Qt::StringLiterals;

namespace {

DomainMeasurement measurement(int n)
{
    DomainMeasurement m;
    m.id = QUuid::createUuid();
    m.measured_at = QDateTime::fromSecsSinceEpoch(1'738'314'900 + n * 60, Qt::UTC);
    m.total_time = 0.1 + n * 1e-6;
    m.http_status = 200 + n % 3;
    m.url_string = u"https://example.com/é"_s;
    m.response_x_headers = {{u"x-cache"_s, n % 2 ? u"HIT"_s : u"MISS"_s}};
    if (n % 5 == 0)
        m.error_message = u"fout: “%1”"_s.arg(n);
    return m;
}

QList<DomainMeasurement> history_of(int count)
{
    QList<DomainMeasurement> list;
    for (int n = 0; n < count; ++n)
        list.append(measurement(n));
    return list;
}

const QString id_text = u"0A000000-0000-4000-8000-000000000001"_s;

TEST(HistoryReader, a_large_file_reads_back_whole_and_invalid_utf8_anywhere_is_refused)
{
    DataFolder folder;
    const QList<DomainMeasurement> history = history_of(12'000); // several MiB
    const QByteArray valid = HistoryJson::encode({{QUuid(id_text), history}});
    folder.write(u"history.json"_s, valid);
    const auto decoded = HistoryJson::read_file(folder.file(u"history.json"_s));
    ASSERT_TRUE(decoded) << decoded.error().to_string().toStdString();
    EXPECT_EQ(decoded->value(id_text), history);
    const QList<DomainMeasurement>& list = decoded->value(id_text);
    EXPECT_TRUE(list[0].url_string->isSharedWith(*list[1].url_string));
    EXPECT_TRUE(list[1].response_x_headers.isSharedWith(list[3].response_x_headers));

    // Across the borders of the chunks read.
    for (const qsizetype position : {qsizetype(100), (qsizetype(1) << 20) - 1, valid.size() - 30}) {
        QByteArray broken = valid;
        const qsizetype quote = broken.indexOf("\"https", position);
        ASSERT_GT(quote, 0);
        broken[quote + 1] = char(0xC3); // a lead byte followed by plain ASCII
        folder.write(u"history.json"_s, broken);
        const auto refused = HistoryJson::read_file(folder.file(u"history.json"_s));
        ASSERT_FALSE(refused) << "position " << position;
        EXPECT_TRUE(refused.error().message.contains(u"UTF-8"_s))
            << refused.error().to_string().toStdString();
        EXPECT_FALSE(HistoryJson::decode(broken));
    }
    // A character cut off by the end of the file.
    folder.write(u"history.json"_s, "{\"a\":[]}\xE2\x82");
    EXPECT_FALSE(HistoryJson::read_file(folder.file(u"history.json"_s)));
}

// The streaming reader and the document reader must agree on every input.
TEST(HistoryReader, agrees_with_the_document_reader)
{
    const QByteArray start = R"({"K":[{"id":"0A000000-0000-4000-8000-000000000002",)"
                             R"("measured_at":"2025-01-31T09:15:00Z","total_time":1)";
    const struct {
        QByteArray json;
        const char* error; // empty when the input is valid
    } cases[] = {
        {start +
             R"(,"http_status":null,"response_x_headers":null,"is_local_network_issue":null}]})",
         ""},
        {start + R"(,"later":{"a":[1,{"b":[]}],"c":{}},"more":[[],[{}]],"http_status":204}]})", ""},
        {start + R"(,"response_x_headers":{"x-a":"1","x-b":""}}]})", ""},
        {start + R"(,"response_x_headers":{"x-a":1}}]})",
         "K[0].response_x_headers.x-a: expected a string"},
        {start + R"(},{"id":"0A000000-0000-4000-8000-000000000002"}]})",
         "K[1]: missing required key \"measured_at\""},
        {start + R"(},3]})", "K[1]: expected a measurement object"},
        {R"({"K":{}})", "K: expected an array of measurements"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json.constData());
        const auto streamed = HistoryJson::decode(c.json);
        rapidjson::Document document;
        document.Parse(c.json.constData());
        ASSERT_FALSE(document.HasParseError());
        const auto& member = *document.GetObject().begin();
        const auto by_document = MeasurementJson::read_list(
            member.value, JsonPath().key({member.name.GetString(), member.name.GetStringLength()}));
        if (*c.error == '\0') {
            ASSERT_TRUE(streamed) << streamed.error().to_string().toStdString();
            ASSERT_TRUE(by_document);
            EXPECT_EQ(streamed->cbegin().value(), by_document.value());
        } else {
            ASSERT_FALSE(streamed);
            ASSERT_FALSE(by_document);
            EXPECT_EQ(streamed.error().to_string().toStdString(), c.error);
            EXPECT_EQ(by_document.error().to_string().toStdString(), c.error);
        }
    }
}

} // namespace
