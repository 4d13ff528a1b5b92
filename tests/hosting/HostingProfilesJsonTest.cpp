#include "hosting/HostingProfilesJson.h"

#include "HostingTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

const QDateTime nine_fifteen(QDate(2025, 1, 31), QTime(9, 15), Qt::UTC);

HostingProviderProfile profile(const QString& host, std::optional<QString> range)
{
    return {host,  u"13.72.183.192"_s,         u"13.72.183.0/24"_s,
            range, u"Microsoft Corporation"_s, nine_fifteen};
}

TEST(ProfileJson, has_sorted_keys_leaves_out_an_absent_range_orders_hosts_and_reads_back)
{
    EXPECT_EQ(
        HostingProfilesJson::encode_profile(profile(u"a.example"_s, u"13.64.0.0-13.107.255.255"_s)),
        R"({"host":"a.example","ip_address":"13.72.183.192","network_range":"13.64.0.0-13.107.255.255",)"
        R"("provider_name":"Microsoft Corporation","range_key":"13.72.183.0/24","updated_at":"2025-01-31T09:15:00Z"})");
    EXPECT_EQ(
        HostingProfilesJson::encode_profile(profile(u"a.example"_s, std::nullopt)),
        R"({"host":"a.example","ip_address":"13.72.183.192","provider_name":"Microsoft Corporation",)"
        R"("range_key":"13.72.183.0/24","updated_at":"2025-01-31T09:15:00Z"})");

    HostingProfilesJson::ProfileMap profiles;
    for (const QString& host : {u"b.example"_s, u"a.example"_s, u"\u00e9t\u00e9.example"_s})
        profiles.insert(host, profile(host, host.startsWith(u'a')
                                                ? std::optional(u"13.64.0.0-13.107.255.255"_s)
                                                : std::nullopt));
    const QByteArray text = HostingProfilesJson::encode(profiles);
    EXPECT_TRUE(text.startsWith(R"({"a.example":{"host":"a.example",)")) << text.constData();
    EXPECT_LT(text.indexOf("\"b.example\":"), text.indexOf("\"\xc3\xa9t\xc3\xa9.example\":"));
    const auto decoded = HostingProfilesJson::decode(text);
    ASSERT_TRUE(decoded) << decoded.error().to_string().toStdString();
    EXPECT_EQ(*decoded, profiles);

    // Null is an absent range; unknown keys are passed over.
    const auto read = HostingProfilesJson::decode(
        R"({"h":{"host":"h","ip_address":"1.1.1.1","range_key":"1.1.1.0/24","network_range":null,)"
        R"("provider_name":"P","updated_at":"2025-01-31T10:15:00+01:00","extra":[1]}})");
    ASSERT_TRUE(read) << read.error().to_string().toStdString();
    EXPECT_EQ(read->value(u"h"_s).network_range, std::nullopt);
    EXPECT_EQ(read->value(u"h"_s).updated_at, nine_fifteen);
}

TEST(ProfileMapJson, fails_with_the_place_of_the_fault)
{
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"[]", "expected an object of profiles"},
        {R"({"h":[]})", "h: expected a profile object"},
        {R"({"h":{"ip_address":"1.1.1.1"}})", "h: missing required key \"host\""},
        {R"({"h":{"host":"h","ip_address":"1.1.1.1","range_key":"1.1.1.0/24","provider_name":"P",)"
         R"("updated_at":"yesterday"}})", "h.updated_at: \"yesterday\" is not an ISO 8601 date"},
        {R"({"h":{"host":"h","ip_address":"1.1.1.1","range_key":"1.1.1.0/24","provider_name":5,)"
         R"("updated_at":"2025-01-31T09:15:00Z"}})", "h.provider_name: expected a string"},
    };
    // clang-format on
    for (const auto& [text, error] : cases) {
        const auto decoded = HostingProfilesJson::decode(QByteArray(text));
        ASSERT_FALSE(decoded) << text;
        EXPECT_EQ(decoded.error().to_string(), QString::fromLatin1(error));
    }
}

} // namespace
