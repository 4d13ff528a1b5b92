#include "hosting/RDAPResponse.h"

#include "HostingTestSupport.h"
#include "hosting/ProviderName.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

std::optional<QString> name_in(const char* json)
{
    rapidjson::Document document;
    document.Parse(json);
    EXPECT_FALSE(document.HasParseError()) << json;
    return RDAPResponse::provider_name(document);
}

#define VCARD(...) R"("vcardArray":["vcard",[["version",{},"text","4.0"],)" __VA_ARGS__ "]]"

// The first usable candidate: an entity that is not only a contact, then the
// network's name, then its handle.
TEST(ProviderNameRules, PickTheFirstUsableCandidate)
{
    // clang-format off
    const std::pair<const char*, const char*> cases[] = { // JSON, name (nullptr: none)
        {R"({"name":" Example  Net ","handle":"NET-1"})", "Example Net"},
        {R"({"name":"","handle":"NET-1"})", "NET-1"},
        {R"({"name":7,"handle":"NET-1"})", "NET-1"},
        {R"({"name":null,"handle":[]})", nullptr},
        // jCard: the first fn or org, version and structured values passed over.
        {R"({"entities":[{)" VCARD(R"(["fn",{},"text","Holder"])") R"(}],"name":"N"})", "Holder"},
        {R"({"entities":[{)" VCARD(R"(["adr",{},"text",["a","b"]],["org",{},"text","Org First"],)"
                                   R"(["fn",{},"text","Fn"])") R"(}]})", "Org First"},
        {R"({"entities":[{)" VCARD(R"(["fn",{},"text",["Structured"]],["fn",{},"text",""],)"
                                   R"(["fn",{}],["org",{},"text","Plain"])") R"(}]})", "Plain"},
        {R"({"entities":[{"vcardArray":["vcard",[["fn",{},"text","A"],"not a property"]]}],)"
         R"("name":"N"})",
         "N"},
        {R"({"entities":[{"vcardArray":["vcard"]},{"vcardArray":{}}],"name":"N"})", "N"},
        // Roles: an entity that is only a contact is passed over; any other
        // role, or none at all, counts.
        {R"({"entities":[{"roles":["abuse"],)" VCARD(R"(["fn",{},"text","Abuse Desk"])") R"(},)"
         R"({"roles":["technical","registrant"],)" VCARD(R"(["fn",{},"text","Holder"])") R"(}]})",
         "Holder"},
        {R"({"entities":[{"roles":["Administrative","NOC","billing"],)"
         VCARD(R"(["fn",{},"text","Person"])") R"(}],"name":"N"})", "N"},
        {R"({"entities":[{"roles":[],)" VCARD(R"(["fn",{},"text","No Roles"])") R"(}]})",
         "No Roles"},
        {R"({"entities":[{"roles":"abuse",)" VCARD(R"(["fn",{},"text","Odd Roles"])") R"(}]})",
         "Odd Roles"},
        {R"({"entities":[{"roles":["abuse",3],)" VCARD(R"(["fn",{},"text","Mixed"])") R"(}]})",
         "Mixed"},
        // An array that is not all objects is no list of entities.
        {R"({"entities":[{)" VCARD(R"(["fn",{},"text","Holder"])") R"(},"x"],"name":"N"})", "N"},
        // A name that cleans to nothing is no name.
        {R"({"entities":[{)" VCARD(R"(["fn",{},"text","B.V."],["org",{},"text","Real Org B.V."])")
         R"(}]})", "Real Org"},
        {R"({"entities":[{)" VCARD(R"(["fn",{},"text","Admin"])")
         R"(}],"name":"Operations","handle":"H-1"})", "H-1"},
        {R"({"name":"B.V.","handle":" admin "})", nullptr},
    };
    // clang-format on
    for (const auto& [json, provider] : cases)
        EXPECT_EQ(name_in(json).value_or(u"none"_s),
                  QString::fromUtf8(provider ? provider : "none"))
            << json;
}

TEST(NetworkRanges, AreCanonicalOrAbsent)
{
    // clang-format off
    const std::pair<const char*, const char*> cases[] = { // members, range (nullptr: none)
        {R"(,"startAddress":"192.0.2.0","endAddress":"192.0.2.255")", "192.0.2.0-192.0.2.255"},
        {R"(,"startAddress":"010.001.002.000","endAddress":"010.001.002.255")",
         "10.1.2.0-10.1.2.255"},
        {R"(,"startAddress":"2001:DB8::/128","endAddress":"2001:db8:0:0:ffff:ffff:ffff:ffff/128")",
         "2001:db8::-2001:db8::ffff:ffff:ffff:ffff"},
        {R"(,"startAddress":" 192.0.2.0 ","endAddress":"192.0.2.0")", "192.0.2.0-192.0.2.0"},
        {R"(,"startAddress":"192.0.2.0")", nullptr},
        {R"(,"startAddress":1,"endAddress":2)", nullptr},
        {R"(,"startAddress":"192.0.2.0","endAddress":null)", nullptr},
        {R"(,"startAddress":"192.0.2.9","endAddress":"192.0.2.0")", nullptr},
        {R"(,"startAddress":"192.0.2.0","endAddress":"2001:db8::1")", nullptr},
        {R"(,"startAddress":"0256.0.0.0","endAddress":"1.0.0.0")", nullptr},
        {R"(,"startAddress":"1.2.3","endAddress":"1.2.3.4")", nullptr},
        {R"(,"startAddress":"","endAddress":"")", nullptr},
    };
    // clang-format on
    for (const auto& [members, range] : cases) {
        const QByteArray json = QByteArray("{\"name\":\"N\"") + members + "}";
        const std::optional<RDAPResult> result = RDAPResponse::read(json);
        ASSERT_TRUE(result) << json.constData();
        EXPECT_EQ(result->network_range.value_or(u"none"_s),
                  QString::fromLatin1(range ? range : "none"))
            << json.constData();
    }
}

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

TEST(ProviderNames, collapse_whitespace_and_drop_trailing_legal_forms)
{
    // clang-format off
    const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
        // raw, cleaned, displayed
        {u"Example  Hosting\nB.V.", u"Example Hosting", u"Example Hosting"},
        {u"NOC Operations", u"NOC", u"NOC"},
        {u"Admin", u"", u"Admin"},
        {u"  B.V.  ", u"", u"B.V."},
        {u"Example BV Operations admin", u"Example", u"Example"},
        {u"Example b.v, GBML.", u"Example", u"Example"},
        // Only trailing words go; "BV" inside the name stays as written.
        {u"BV Example Hosting", u"BV Example Hosting", u"BV Example Hosting"},
        {u"Example Hosting B.V.B.A.", u"Example Hosting B.V.B.A.", u"Example Hosting B.V.B.A."},
        {u"Triara.com, S.A. de C.V.", u"Triara.com, S.A. de C.V.", u"Triara.com, S.A. de C.V."},
        {u"Tab\tand\u00a0no-break\u2003space", u"Tab and no-break space",
         u"Tab and no-break space"},
        // A name may carry terminal escapes or other controls; they become spaces.
        {u"Evil\u001b[2JCorp\u0007Hosting\u009b", u"Evil [2JCorp Hosting", u"Evil [2JCorp Hosting"},
        {u"", u"", u""},
        {u" \n ", u"", u""},
    };
    // clang-format on
    for (const auto& [raw, cleaned, displayed] : cases) {
        const QString name = QString::fromUtf16(raw);
        EXPECT_EQ(clean_provider_name(name), QString::fromUtf16(cleaned)) << name.toStdString();
        EXPECT_EQ(display_provider_name(name), QString::fromUtf16(displayed)) << name.toStdString();
    }
}

} // namespace
