#include "MeasurementFactory.h"
#include "model/MeasurementJson.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <ostream>
#include <string>

using namespace Qt::StringLiterals;

namespace {

struct ClassificationCase {
    const char* name;
    std::optional<int> status;
    bool has_error;
    bool is_local;
    bool expect_failed;
    bool expect_successful;
};

void PrintTo(const ClassificationCase& c, std::ostream* out)
{
    *out << c.name;
}

class MeasurementClassification : public ::testing::TestWithParam<ClassificationCase> {};

TEST_P(MeasurementClassification, follows_status_error_and_local_flag)
{
    const ClassificationCase& c = GetParam();
    DomainMeasurement m = successful(0.2);
    m.http_status = c.status;
    if (c.has_error)
        m.error_message = u"boom"_s;
    m.is_local_network_issue = c.is_local;
    EXPECT_EQ(m.is_failed(), c.expect_failed);
    EXPECT_EQ(m.is_successful(), c.expect_successful);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeasurementClassification,
    ::testing::Values(ClassificationCase{"ok_200", 200, false, false, false, true},
                      ClassificationCase{"redirect_302", 302, false, false, false, true},
                      ClassificationCase{"edge_399", 399, false, false, false, true},
                      ClassificationCase{"edge_400", 400, false, false, true, false},
                      ClassificationCase{"edge_199", 199, false, false, true, false},
                      ClassificationCase{"status_with_error", 200, true, false, true, false},
                      ClassificationCase{"no_status", std::nullopt, false, false, true, false},
                      ClassificationCase{"local_503", 503, false, true, false, false},
                      ClassificationCase{"local_with_error", std::nullopt, true, true, false,
                                         false}),
    [](const auto& info) { return std::string(info.param.name); });

rapidjson::Document parsed(const QByteArray& text)
{
    rapidjson::Document document;
    document.Parse(text.constData(), size_t(text.size()));
    return document;
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
    const rapidjson::Document document = parsed(text);
    ASSERT_TRUE(document.IsObject());
    std::string previous;
    for (const auto& member : document.GetObject()) {
        const std::string key = member.name.GetString();
        EXPECT_LT(previous, key) << "keys out of order in " << text.constData();
        previous = key;
    }
    EXPECT_EQ(document.MemberCount(), 14u);
    EXPECT_FALSE(text.contains("\\/")) << "slashes must not be escaped";

    const auto decoded = MeasurementJson::decode(text);
    ASSERT_TRUE(decoded) << decoded.error().to_string().toStdString();
    EXPECT_EQ(*decoded, m);
}

TEST(MeasurementJson, awkward_numbers_survive_a_round_trip_exactly)
{
    for (const double value :
         {0.1, 1.0 / 3.0, 2.2250738585072014e-308, 1e-7, 123456.789012345, 0.30000000000000004}) {
        DomainMeasurement m = successful(value);
        m.dns_time = value;
        const auto decoded = MeasurementJson::decode(MeasurementJson::encode(m));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->total_time, value);
        EXPECT_EQ(decoded->dns_time, value);
    }
}

TEST(MeasurementJson, numbers_are_read_exactly_whatever_their_notation)
{
    const std::string start =
        R"({"id":"6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B","measured_at":"2025-01-31T09:15:00Z",)";
    const std::vector<std::pair<const char*, double>> cases = {
        {"0.05e-30", 5e-32}, // leading zeros with a large negative exponent
        {"0.000000000000000000000000001", 1e-27},
        {"2.2250738585072011e-308", 2.2250738585072011e-308},
        {"1e-400", 0.0}, // below the smallest double: zero
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"-0", 0.0},
        {"7", 7.0},
    };
    for (const auto& [text, expected] : cases) {
        const auto decoded = MeasurementJson::decode(
            QByteArray::fromStdString(start + R"("total_time":)" + text + "}"));
        ASSERT_TRUE(decoded) << text << ": " << decoded.error().to_string().toStdString();
        EXPECT_EQ(decoded->total_time, expected) << text;
    }
    const auto too_large =
        MeasurementJson::decode(QByteArray::fromStdString(start + R"("total_time":1e400})"));
    ASSERT_FALSE(too_large);
    EXPECT_TRUE(too_large.error().message.contains(u"too big"_s))
        << too_large.error().to_string().toStdString();
    const auto beyond_double =
        MeasurementJson::decode(QByteArray::fromStdString(start + R"("total_time":10.0e308})"));
    ASSERT_FALSE(beyond_double);
    EXPECT_TRUE(beyond_double.error().message.contains(u"number out of range"_s))
        << beyond_double.error().to_string().toStdString();
}

TEST(MeasurementJson, fraction_of_a_second_is_lost_on_save)
{
    DomainMeasurement m = successful(0.3);
    m.measured_at = test_epoch().addMSecs(750);
    const auto decoded = MeasurementJson::decode(MeasurementJson::encode(m));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->measured_at, test_epoch());
    EXPECT_NE(*decoded, m);
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
    EXPECT_EQ(decoded->id, QUuid(u"6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B"_s));
    // Missing headers and local flag read as empty and false.
    EXPECT_TRUE(decoded->response_x_headers.isEmpty());
    EXPECT_FALSE(decoded->is_local_network_issue);
    EXPECT_EQ(decoded->total_time, 0.5);
    EXPECT_FALSE(decoded->url_string.has_value());
}

struct BadInput {
    const char* name;
    std::string json;
    const char* expected_path;
};

void PrintTo(const BadInput& c, std::ostream* out)
{
    *out << c.name;
}

class MeasurementDecodingFailure : public ::testing::TestWithParam<BadInput> {};

const std::string valid_prefix = R"({"id":"6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B",)";
// Every required key; a case adds its members and the closing brace.
const std::string valid_start =
    valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z","total_time":1)";

std::string with_id(const std::string& id)
{
    return R"({"id":")" + id + R"(","measured_at":"2025-01-31T09:15:00Z","total_time":1})";
}

std::string with_date(const std::string& date)
{
    return valid_prefix + R"("measured_at":)" + date + R"(,"total_time":1})";
}

TEST_P(MeasurementDecodingFailure, is_reported_with_its_location)
{
    const BadInput& input = GetParam();
    const auto decoded = MeasurementJson::decode(QByteArray::fromStdString(input.json));
    ASSERT_FALSE(decoded) << "accepted: " << input.json;
    EXPECT_EQ(decoded.error().path.toStdString(), input.expected_path)
        << decoded.error().to_string().toStdString();
    EXPECT_FALSE(decoded.error().message.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MeasurementDecodingFailure,
    ::testing::Values(
        BadInput{"missing_total_time", valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z"})",
                 ""},
        BadInput{"missing_id", R"({"measured_at":"2025-01-31T09:15:00Z","total_time":1})", ""},
        BadInput{"missing_measured_at", valid_prefix + R"("total_time":1})", ""},
        BadInput{"total_time_as_string",
                 valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z","total_time":"1"})",
                 "total_time"},
        BadInput{"total_time_null",
                 valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z","total_time":null})",
                 "total_time"},
        BadInput{"fractional_status", valid_start + R"(,"http_status":200.5})", "http_status"},
        BadInput{"status_out_of_range", valid_start + R"(,"http_status":4294967496})",
                 "http_status"},
        BadInput{"status_as_bool", valid_start + R"(,"http_status":true})", "http_status"},
        BadInput{"header_value_not_string",
                 valid_start + R"(,"response_x_headers":{"x-a":"1","x-b":2}})",
                 "response_x_headers.x-b"},
        BadInput{"headers_as_array", valid_start + R"(,"response_x_headers":[]})",
                 "response_x_headers"},
        BadInput{"local_flag_as_number", valid_start + R"(,"is_local_network_issue":1})",
                 "is_local_network_issue"},
        BadInput{"uuid_with_braces", with_id("{6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B}"), "id"},
        BadInput{"uuid_without_hyphens", with_id("6F1C3B2A1D2E4F609A7B0C1D2E3F4A5B0000"), "id"},
        BadInput{"uuid_with_hyphen_in_wrong_place", with_id("6F-C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B"),
                 "id"},
        BadInput{"uuid_with_non_hex_digit", with_id("6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5G"), "id"},
        BadInput{"february_30", with_date(R"("2025-02-30T09:15:00Z")"), "measured_at"},
        BadInput{"date_without_zone", with_date(R"("2025-01-31T09:15:00")"), "measured_at"},
        BadInput{"date_as_number", with_date("1738314900"), "measured_at"},
        BadInput{"hour_25", with_date(R"("2025-01-31T25:15:00Z")"), "measured_at"},
        BadInput{"not_an_object", "[1,2,3]", ""},
        BadInput{"truncated", valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z","total_t)",
                 ""},
        BadInput{"trailing_garbage",
                 valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z","total_time":1} x)", ""},
        BadInput{"invalid_utf8",
                 valid_prefix + "\"measured_at\":\"2025-01-31T09:15:00Z\",\"total_time\":1,"
                                "\"url_string\":\"https://a\xC3\x28\"}",
                 ""},
        BadInput{"nan_literal",
                 valid_prefix + R"("measured_at":"2025-01-31T09:15:00Z","total_time":NaN})", ""},
        BadInput{"empty_input", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MeasurementJson, deeply_nested_input_fails_without_crashing)
{
    const std::string deep = std::string(200'000, '[') + std::string(200'000, ']');
    const auto decoded = MeasurementJson::decode(QByteArray::fromStdString(deep));
    EXPECT_FALSE(decoded);

    const std::string unbalanced = valid_prefix + R"("x":)" + std::string(100'000, '{');
    EXPECT_FALSE(MeasurementJson::decode(QByteArray::fromStdString(unbalanced)));
}

TEST(MeasurementJson, list_errors_name_the_element_index)
{
    rapidjson::Document document;
    document.Parse(
        R"([{"id":"6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B","measured_at":"2025-01-31T09:15:00Z","total_time":1},)"
        R"({"id":"6F1C3B2A-1D2E-4F60-9A7B-0C1D2E3F4A5B","measured_at":"2025-01-31T09:15:00Z","total_time":false}])");
    const auto decoded = MeasurementJson::read_list(document, JsonPath().key("history"));
    ASSERT_FALSE(decoded);
    EXPECT_EQ(decoded.error().to_string(), u"history[1].total_time: expected a number"_s);
}

TEST(MeasurementHash, equal_values_hash_equally_and_any_field_changes_the_value)
{
    DomainMeasurement a = successful(0.5);
    a.response_x_headers.insert(u"x-a"_s, u"1"_s);
    DomainMeasurement b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    b.response_x_headers.insert(u"x-a"_s, u"2"_s);
    EXPECT_NE(a, b);
    b = a;
    b.measured_at = b.measured_at.addSecs(1);
    EXPECT_NE(a, b);
}

} // namespace
