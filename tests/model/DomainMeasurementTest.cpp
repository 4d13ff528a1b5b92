#include "MeasurementFactory.h"
#include "model/MeasurementJson.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <string>

using namespace Qt::StringLiterals;

namespace {

TEST(MeasurementClassification, follows_status_error_and_local_flag)
{
    struct Case {
        std::optional<int> status;
        bool has_error, is_local, expect_failed, expect_successful;
    };
    for (const Case& c :
         {Case{200, false, false, false, true}, Case{399, false, false, false, true},
          Case{400, false, false, true, false}, Case{199, false, false, true, false},
          Case{200, true, false, true, false}, Case{std::nullopt, false, false, true, false},
          Case{503, false, true, false, false}}) {
        SCOPED_TRACE(testing::Message() << c.status.value_or(-1) << " error " << c.has_error
                                        << " local " << c.is_local);
        DomainMeasurement m = successful(0.2);
        m.http_status = c.status;
        if (c.has_error)
            m.error_message = u"boom"_s;
        m.is_local_network_issue = c.is_local;
        EXPECT_EQ(m.is_failed(), c.expect_failed);
        EXPECT_EQ(m.is_successful(), c.expect_successful);
    }
}

const std::string valid_prefix = R"({"id":"6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B",)";
const std::string valid_start =
    valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z","total_time":1)";

DecodeResult<DomainMeasurement> decode(const std::string& text)
{
    return MeasurementJson::decode(QByteArray::fromStdString(text));
}

TEST(MeasurementJson, minimal_measurement_writes_exactly_the_five_required_keys)
{
    DomainMeasurement m;
    m.id = QUuid(u"6f1c3b2a-1d2e-4f60-9a7b-0c1d2e3f4a5b"_s);
    m.measured_at = test_epoch();
    m.total_time = 0.25;
    EXPECT_EQ(MeasurementJson::encode(m),
              R"({"id":"6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B","is_local_network_issue":false,)"
              R"("measured_at":"2025-01-31T09:15:00Z","response_x_headers":{},"total_time":0.25})");
}

TEST(MeasurementJson, full_measurement_writes_sorted_keys_and_reads_back_equal)
{
    DomainMeasurement m = successful(1.5, 0, 301);
    m.url_string = u"https://example.com/path?q=\u00e9"_s;
    m.dns_time = 0.01;
    m.connect_time = 0.02;
    m.ssl_time = 0.03;
    m.ttfb_time = 0.4;
    m.response_x_headers = {{u"x-cache"_s, u"HIT"_s}, {u"x-served-by"_s, u"cache-ams"_s}};
    m.error_message = u"Could not connect"_s;
    m.network_baseline_time = 0.05;
    m.certificate_expires_at = test_epoch().addDays(40);
    m.is_local_network_issue = true;

    const QByteArray text = MeasurementJson::encode(m);
    rapidjson::Document document;
    document.Parse(text.constData(), size_t(text.size()));
    ASSERT_TRUE(document.IsObject());
    std::string previous;
    for (const auto& member : document.GetObject()) {
        EXPECT_LT(previous, member.name.GetString()) << text.constData();
        previous = member.name.GetString();
    }
    EXPECT_EQ(document.MemberCount(), 14u);
    EXPECT_FALSE(text.contains("\\/")) << "slashes must not be escaped";
    const auto decoded = MeasurementJson::decode(text);
    ASSERT_TRUE(decoded) << decoded.error().to_string().toStdString();
    EXPECT_EQ(*decoded, m);
}

TEST(MeasurementJson, numbers_are_read_and_written_exactly)
{
    for (const double value : {0.1, 1.0 / 3.0, 2.2250738585072014e-308, 0.30000000000000004}) {
        const auto decoded = MeasurementJson::decode(MeasurementJson::encode(successful(value)));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->total_time, value);
    }
    const std::vector<std::pair<const char*, double>> cases = {
        {"0.05e-30", 5e-32},
        {"1e-400", 0.0},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"7", 7.0},
    };
    const std::string start = valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z",)";
    for (const auto& [text, expected] : cases) {
        const auto decoded = decode(start + R"("total_time":)" + text + "}");
        ASSERT_TRUE(decoded) << text << ": " << decoded.error().to_string().toStdString();
        EXPECT_EQ(decoded->total_time, expected) << text;
    }
    const auto too_large = decode(start + R"("total_time":1e400})");
    ASSERT_FALSE(too_large);
    EXPECT_TRUE(too_large.error().message.contains(u"too big"_s));
}

TEST(MeasurementJson, null_optional_values_read_as_absent_and_unknown_keys_are_ignored)
{
    const auto decoded = MeasurementJson::decode(
        R"({"id":"6f1c3b2a-1d2e-4f60-9a7b-0c1d2e3f4a5b","measured_at":"2025-01-31T10:15:00+01:00",)"
        R"("total_time":0.5,"http_status":null,"dns_time":null,"certificate_expires_at":null,)"
        R"("future_field":[1,{"a":2}]})");
    ASSERT_TRUE(decoded) << decoded.error().to_string().toStdString();
    EXPECT_FALSE(decoded->http_status.has_value());
    EXPECT_FALSE(decoded->dns_time.has_value());
    EXPECT_FALSE(decoded->certificate_expires_at.isValid());
    EXPECT_EQ(decoded->measured_at, test_epoch());
    EXPECT_TRUE(decoded->response_x_headers.isEmpty());
    EXPECT_FALSE(decoded->is_local_network_issue);
}

std::string with_id(const std::string& id)
{
    return R"({"id":")" + id + R"(","measured_at":"2025-01-31T09:15:00Z","total_time":1})";
}

std::string with_date(const std::string& date)
{
    return valid_prefix + R"("measured_at":)" + date + R"(,"total_time":1})";
}

TEST(MeasurementJson, bad_input_is_reported_with_its_location)
{
    const std::vector<std::pair<std::string, const char*>> cases = {
        {valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z"})", ""},
        {valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z","total_time":"1"})", "total_time"},
        {valid_start + R"(,"http_status":200.5})", "http_status"},
        {valid_start + R"(,"http_status":4294967496})", "http_status"},
        {valid_start + R"(,"response_x_headers":{"x-a":"1","x-b":2}})", "response_x_headers.x-b"},
        {valid_start + R"(,"is_local_network_issue":1})", "is_local_network_issue"},
        {with_id("{6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B}"), "id"},
        {with_id("6F-C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B"), "id"},
        {with_id("6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5G"), "id"},
        {with_date(R"("2025-02-30T09:15:00Z")"), "measured_at"},
        {with_date(R"("2025-01-31T09:15:00")"), "measured_at"},
        {valid_start + "} x", ""},
        {valid_start + ",\"url_string\":\"https://a\xC3\x28\"}", ""},
        {std::string(200'000, '[') + std::string(200'000, ']'), ""},
        {"", ""},
    };
    for (const auto& [json, path] : cases) {
        const auto decoded = decode(json);
        ASSERT_FALSE(decoded) << "accepted: " << json.substr(0, 120);
        EXPECT_EQ(decoded.error().path.toStdString(), path) << json.substr(0, 120);
        EXPECT_FALSE(decoded.error().message.isEmpty());
    }
}

TEST(MeasurementJson, list_errors_name_the_element_index)
{
    rapidjson::Document document;
    document.Parse(("[" + valid_start + "}," + valid_start + R"(,"dns_time":false}])").c_str());
    const auto decoded = MeasurementJson::read_list(document, JsonPath().key("history"));
    ASSERT_FALSE(decoded);
    EXPECT_EQ(decoded.error().to_string(), u"history[1].dns_time: expected a number"_s);
}

} // namespace
