#include "MeasurementFactory.h"
#include "model/DomainJson.h"

#include <gtest/gtest.h>

#include <string>

using namespace Qt::StringLiterals;

namespace {

const std::string domain_id = R"("id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9")";

DecodeResult<MonitoredDomain> decode(const std::string& members)
{
    return DomainJson::decode(QByteArray::fromStdString("{" + members + "}"));
}

std::string required_members(const std::string& extra = {})
{
    return domain_id +
           R"(,"url_string":"https://example.com","interval_seconds":60,"is_active":true)" +
           (extra.empty() ? "" : "," + extra);
}

TEST(DomainJson, missing_optional_keys_take_their_defaults)
{
    const auto domain = decode(required_members());
    ASSERT_TRUE(domain) << domain.error().to_string().toStdString();
    EXPECT_EQ(domain->max_history_hours, 48);
    EXPECT_EQ(domain->user_agent, u"Tessarybot"_s);
    EXPECT_FALSE(domain->notifies_on_anomalies);
    EXPECT_FALSE(domain->is_pinned);
    EXPECT_FALSE(domain->is_archived);
    EXPECT_TRUE(domain->measurements.isEmpty());
    EXPECT_EQ(domain->statistics, DomainStatistics::empty());
}

TEST(DomainJson, decoding_applies_floors_and_keeps_present_values)
{
    struct Case {
        std::string members; // besides the id, URL and active flag
        int interval_seconds = 60;
        int max_history_hours = 48;
        const char* user_agent = "Tessarybot";
    };
    const Case cases[] = {
        {R"("interval_seconds":5)", 20},
        {R"("interval_seconds":20)", 20},
        {R"("interval_seconds":300.0)", 300},
        {R"("interval_seconds":60,"max_history_hours":-5)", 60, 1},
        {R"("interval_seconds":60,"max_history_hours":1)", 60, 1},
        {R"("interval_seconds":60,"user_agent":"")", 60, 48, ""},
        {R"("interval_seconds":60,"user_agent":null)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.members);
        const auto domain = decode(
            domain_id + R"(,"url_string":"https://example.com","is_active":true,)" + c.members);
        ASSERT_TRUE(domain) << domain.error().to_string().toStdString();
        EXPECT_EQ(domain->interval_seconds, c.interval_seconds);
        EXPECT_EQ(domain->max_history_hours, c.max_history_hours);
        EXPECT_EQ(domain->user_agent, QString::fromUtf8(c.user_agent));
    }
}

TEST(DomainJson, decoding_failures_name_what_and_where)
{
    const std::string url = R"(,"url_string":"https://a")";
    const std::vector<std::pair<std::string, const char*>> cases = {
        {domain_id + url + R"(,"interval_seconds":60)", "missing required key \"is_active\""},
        {domain_id + url + R"(,"is_active":true)", "missing required key \"interval_seconds\""},
        {domain_id + url + R"(,"interval_seconds":60.5,"is_active":true)",
         "interval_seconds: expected a whole number"},
        {domain_id + url + R"(,"interval_seconds":1e30,"is_active":true)",
         "interval_seconds: number out of range"},
        {required_members(R"("is_pinned":1)"), "is_pinned: expected true or false"},
        {required_members(R"("measurements":[{"id":"nope"}])"),
         "measurements[0].id: \"nope\" is not a UUID"},
    };
    for (const auto& [members, expected] : cases) {
        const auto domain = decode(members);
        ASSERT_FALSE(domain) << members;
        EXPECT_EQ(domain.error().to_string().toStdString(), expected);
    }
}

TEST(DomainJson, list_error_names_the_domain_index)
{
    const auto domains = DomainJson::decode_list(QByteArrayLiteral(
        R"([{"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"a","interval_seconds":60,"is_active":true},)"
        R"({"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"b","interval_seconds":60}])"));
    ASSERT_FALSE(domains);
    EXPECT_EQ(domains.error().to_string(), u"[1]: missing required key \"is_active\""_s);
}

TEST(DomainJson, writes_ten_sorted_keys_without_statistics)
{
    MonitoredDomain domain;
    domain.id = QUuid(u"0a1b2c3d-4e5f-4061-8293-a4b5c6d7e8f9"_s);
    domain.url_string = u"https://example.com/a/b"_s;
    domain.interval_seconds = 60;
    domain.measurements = {successful(9.0)};
    domain.refresh_statistics();
    ASSERT_NE(domain.statistics, DomainStatistics::empty());

    const QByteArray text = DomainJson::encode(domain);
    EXPECT_TRUE(text.startsWith(
        R"({"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","interval_seconds":60,"is_active":true,)"
        R"("is_archived":false,"is_pinned":false,"max_history_hours":48,"measurements":[{)"))
        << text.constData();
    EXPECT_TRUE(text.endsWith(
        R"(],"notifies_on_anomalies":false,"url_string":"https://example.com/a/b","user_agent":"Tessarybot"})"))
        << text.constData();
    EXPECT_FALSE(text.contains("statistics"));
}

TEST(DomainJson, round_trip_keeps_settings_history_order_and_statistics)
{
    MonitoredDomain domain;
    domain.id = QUuid::createUuid();
    domain.url_string = u"https://example.nl"_s;
    domain.interval_seconds = 120;
    domain.max_history_hours = 5;
    domain.user_agent = u"Custom/1.0"_s;
    domain.is_active = false;
    domain.notifies_on_anomalies = true;
    domain.is_pinned = true;
    domain.is_archived = true;
    domain.measurements = {successful(0.2, 240), failed(15.0, 120), successful(4.0, 0)};
    domain.refresh_statistics();

    const auto decoded = DomainJson::decode(DomainJson::encode(domain));
    ASSERT_TRUE(decoded) << decoded.error().to_string().toStdString();
    EXPECT_EQ(*decoded, domain);
}

TEST(DomainJson, decoded_domain_carries_statistics_of_its_history_and_ignores_stored_ones)
{
    const auto domain = decode(required_members(
        R"("statistics":{"failure_count":99},"measurements":[)"
        R"({"id":"11111111-1111-4111-8111-111111111111","measured_at":"2025-01-31T09:16:00Z","total_time":9.5,"http_status":200},)"
        R"({"id":"22222222-2222-4222-8222-222222222222","measured_at":"2025-01-31T09:15:00Z","total_time":0.2,"http_status":500}])"));
    ASSERT_TRUE(domain) << domain.error().to_string().toStdString();
    EXPECT_EQ(domain->statistics.failure_count, 1);
    EXPECT_EQ(domain->statistics.highest_total_time, 9.5);
    EXPECT_TRUE(domain->statistics.outage_measurement_ids.contains(
        QUuid(u"11111111-1111-4111-8111-111111111111"_s)));
    EXPECT_EQ(domain->statistics.disturbance_periods.size(), 1);
}

TEST(MonitoredDomain, lookback_bounds_are_inclusive_and_exclude_the_future)
{
    MonitoredDomain domain;
    domain.max_history_hours = 1;
    const QDateTime now = test_epoch().addSecs(10'000);
    const DomainMeasurement future = successful(0.1, 10'001);
    const DomainMeasurement at_now = successful(0.1, 10'000);
    const DomainMeasurement at_start = successful(0.1, 10'000 - 3600);
    const DomainMeasurement too_old = successful(0.1, 10'000 - 3601);
    domain.measurements = {future, at_now, at_start, too_old};

    const QList<DomainMeasurement> within = domain.measurements_within_lookback(now);
    ASSERT_EQ(within.size(), 2);
    EXPECT_EQ(within[0].id, at_now.id);
    EXPECT_EQ(within[1].id, at_start.id);
}

} // namespace
