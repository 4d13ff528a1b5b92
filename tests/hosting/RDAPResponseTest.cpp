#include "hosting/RDAPResponse.h"

#include "HostingTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct AnswerCase {
    const char* file;
    const char* provider;
    const char* range;
};

void PrintTo(const AnswerCase& c, std::ostream* out)
{
    *out << c.file;
}

class RegistryAnswers : public testing::TestWithParam<AnswerCase> {};

TEST_P(RegistryAnswers, name_the_holder_and_the_range)
{
    const AnswerCase& c = GetParam();
    const std::optional<RDAPResult> result =
        RDAPResponse::read(rdap_file(QStringLiteral("responses/") + QLatin1String(c.file)));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->provider_name, QString::fromUtf8(c.provider));
    EXPECT_EQ(result->network_range, QString::fromLatin1(c.range));
}

// Contact-only entities (abuse desks, NOCs, persons) are passed over, so RIPE and
// APNIC answers fall back to the network's name and LACNIC's to the registrant.
const AnswerCase registry_answers[] = {
    {"arin-microsoft-azure.json", "Microsoft Corporation", "13.64.0.0-13.107.255.255"},
    {"arin-google-ipv6.json", "Google LLC", "2001:4860::-2001:4860:ffff:ffff:ffff:ffff:ffff:ffff"},
    {"arin-google-ipv4-zeropadded.json", "Google Inc.", "74.125.0.0-74.125.255.255"},
    {"ripe-switch.json", "SWITCH-LAN", "130.59.0.0-130.59.255.255"},
    {"ripe-bt-ipv6.json", "BT-WORLD-IPVSIX-LAUNCH",
     "2a00:2381:ffff::-2a00:2381:ffff:0:ffff:ffff:ffff:ffff"},
    {"apnic-cloudflare-1-1-1.json", "APNIC-LABS", "1.1.1.0-1.1.1.255"},
    {"lacnic-triara.json", "Triara.com, S.A. de C.V.", "200.57.141.161-200.57.141.161"},
    {"afrinic-mtn-business.json", "MTN Business IP Maintainer", "196.11.239.0-196.11.246.255"},
};

INSTANTIATE_TEST_SUITE_P(Files, RegistryAnswers, testing::ValuesIn(registry_answers));

std::optional<QString> name_in(const char* json)
{
    rapidjson::Document document;
    document.Parse(json);
    EXPECT_FALSE(document.HasParseError()) << json;
    return RDAPResponse::provider_name(document);
}

struct NameCase {
    const char* json;
    const char* provider; // nullptr: no name
};

class ProviderNameRules : public testing::TestWithParam<NameCase> {};

TEST_P(ProviderNameRules, pick_the_first_usable_candidate)
{
    const NameCase& c = GetParam();
    const std::optional<QString> name = name_in(c.json);
    if (c.provider == nullptr)
        EXPECT_EQ(name, std::nullopt) << c.json;
    else
        EXPECT_EQ(name, QString::fromUtf8(c.provider)) << c.json;
}

#define VCARD(...) R"("vcardArray":["vcard",[["version",{},"text","4.0"],)" __VA_ARGS__ "]]"

INSTANTIATE_TEST_SUITE_P(
    Cases, ProviderNameRules,
    testing::Values(
        NameCase{R"({"name":" Example  Net ","handle":"NET-1"})", "Example Net"},
        NameCase{R"({"name":"","handle":"NET-1"})", "NET-1"},
        NameCase{R"({"name":7,"handle":"NET-1"})", "NET-1"}, NameCase{R"({"handle":""})", nullptr},
        NameCase{R"({"name":null,"handle":[]})", nullptr}, NameCase{R"({})", nullptr},
        // jCard: the first fn or org, version and structured values passed over.
        NameCase{R"({"entities":[{)" VCARD(R"(["fn",{},"text","Holder"])") R"(}],"name":"N"})",
                 "Holder"},
        NameCase{
            R"({"entities":[{)" VCARD(
                R"(["adr",{},"text",["a","b"]],["org",{},"text","Org First"],["fn",{},"text","Fn"])") R"(}]})",
            "Org First"},
        NameCase{
            R"({"entities":[{)" VCARD(
                R"(["fn",{},"text",["Structured"]],["fn",{},"text",""],["fn",{}],["org",{},"text","Plain"])") R"(}]})",
            "Plain"},
        NameCase{
            R"({"entities":[{"vcardArray":["vcard",[["fn",{},"text","A"],"not a property"]]}],"name":"N"})",
            "N"},
        NameCase{R"({"entities":[{"vcardArray":["vcard"]},{"vcardArray":{}}],"name":"N"})", "N"},
        // Roles: an entity that is only a contact is passed over; any other
        // role, or none at all, counts.
        NameCase{
            R"({"entities":[{"roles":["abuse"],)" VCARD(
                R"(["fn",{},"text","Abuse Desk"])") R"(},)"
                                                    R"({"roles":["technical","registrant"],)" VCARD(
                                                        R"(["fn",{},"text","Holder"])") R"(}]})",
            "Holder"},
        NameCase{R"({"entities":[{"roles":["Administrative","NOC","billing"],)" VCARD(
                     R"(["fn",{},"text","Person"])") R"(}],"name":"N"})",
                 "N"},
        NameCase{R"({"entities":[{"roles":[],)" VCARD(R"(["fn",{},"text","No Roles"])") R"(}]})",
                 "No Roles"},
        NameCase{
            R"({"entities":[{"roles":"abuse",)" VCARD(R"(["fn",{},"text","Odd Roles"])") R"(}]})",
            "Odd Roles"},
        NameCase{
            R"({"entities":[{"roles":["abuse",3],)" VCARD(R"(["fn",{},"text","Mixed"])") R"(}]})",
            "Mixed"},
        // Only top-level entities count.
        NameCase{R"({"entities":[{"entities":[{)" VCARD(
                     R"(["fn",{},"text","Nested"])") R"(}]}],"name":"Top"})",
                 "Top"},
        // An array that is not all objects is no list of entities.
        NameCase{R"({"entities":[{)" VCARD(R"(["fn",{},"text","Holder"])") R"(},"x"],"name":"N"})",
                 "N"},
        NameCase{R"({"entities":{"fn":"x"},"name":"N"})", "N"},
        // A name that cleans to nothing is no name.
        NameCase{R"({"entities":[{)" VCARD(
                     R"(["fn",{},"text","B.V."],["org",{},"text","Real Org B.V."])") R"(}]})",
                 "Real Org"},
        NameCase{R"({"entities":[{)" VCARD(
                     R"(["fn",{},"text","Admin"])") R"(}],"name":"Operations","handle":"H-1"})",
                 "H-1"},
        NameCase{R"({"name":"B.V.","handle":" admin "})", nullptr}));

struct RangeCase {
    const char* start_and_end; // the members, as JSON text
    const char* range;         // nullptr: none
};

class NetworkRanges : public testing::TestWithParam<RangeCase> {};

TEST_P(NetworkRanges, are_canonical_or_absent)
{
    const RangeCase& c = GetParam();
    const QByteArray json = QByteArray("{\"name\":\"N\"") + c.start_and_end + "}";
    const std::optional<RDAPResult> result = RDAPResponse::read(json);
    ASSERT_TRUE(result) << json.constData();
    if (c.range == nullptr)
        EXPECT_EQ(result->network_range, std::nullopt) << json.constData();
    else
        EXPECT_EQ(result->network_range, QString::fromLatin1(c.range)) << json.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetworkRanges,
    testing::Values(
        RangeCase{R"(,"startAddress":"192.0.2.0","endAddress":"192.0.2.255")",
                  "192.0.2.0-192.0.2.255"},
        RangeCase{R"(,"startAddress":"010.001.002.000","endAddress":"010.001.002.255")",
                  "10.1.2.0-10.1.2.255"},
        RangeCase{
            R"(,"startAddress":"2001:DB8::/128","endAddress":"2001:db8:0:0:ffff:ffff:ffff:ffff/128")",
            "2001:db8::-2001:db8::ffff:ffff:ffff:ffff"},
        RangeCase{R"(,"startAddress":" 192.0.2.0 ","endAddress":"192.0.2.0")",
                  "192.0.2.0-192.0.2.0"},
        RangeCase{R"(,"startAddress":"192.0.2.0")", nullptr},
        RangeCase{R"(,"endAddress":"192.0.2.0")", nullptr},
        RangeCase{R"(,"startAddress":"192.0.2.0","endAddress":null)", nullptr},
        RangeCase{R"(,"startAddress":1,"endAddress":2)", nullptr},
        RangeCase{R"(,"startAddress":"192.0.2.9","endAddress":"192.0.2.0")", nullptr},
        RangeCase{R"(,"startAddress":"192.0.2.0","endAddress":"2001:db8::1")", nullptr},
        RangeCase{R"(,"startAddress":"0256.0.0.0","endAddress":"1.0.0.0")", nullptr},
        RangeCase{R"(,"startAddress":"1.2.3","endAddress":"1.2.3.4")", nullptr},
        RangeCase{R"(,"startAddress":"one","endAddress":"two")", nullptr},
        RangeCase{R"(,"startAddress":"","endAddress":"")", nullptr}));

TEST(RDAPAnswers, that_are_not_objects_or_not_json_give_nothing)
{
    for (const char* body : {"", "[]", "\"name\"", "null", "{\"name\":\"N\"", "{\"name\":\"N\"} x",
                             "{\"name\":\"\xff\"}"})
        EXPECT_FALSE(RDAPResponse::read(QByteArray(body))) << body;
    const QByteArray deep = "{\"entities\":" + QByteArray(200'000, '[') + QByteArray(200'000, ']') +
                            ",\"name\":\"Deep\"}";
    const auto result = RDAPResponse::read(deep);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->provider_name, QStringLiteral("Deep"));
}

} // namespace
