#include "DataFolder.h"
#include "HostingTestSupport.h"
#include "TessaryProcess.h"
#include "hosting/HostingProfilesJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

const char* const domains_json =
    R"([{"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://b.example.com","interval_seconds":60,"is_active":true},)"
    R"({"id":"1B1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://shop.example.org/a","interval_seconds":30,"is_active":true,"is_pinned":true},)"
    R"({"id":"2C1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://old.example","interval_seconds":30,"is_active":true,"is_archived":true},)"
    R"({"id":"3D1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://new.example","interval_seconds":30,"is_active":false},)"
    R"({"id":"4E1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://c.example.net","interval_seconds":30,"is_active":true},)"
    R"({"id":"5F1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://A.example.com/shop","interval_seconds":30,"is_active":true}])";

class ProvidersCommand : public testing::Test {
protected:
    void SetUp() override
    {
        folder.write(u"domains.json"_s, domains_json);
        const QString range = u"198.51.0.0-198.51.255.255"_s;
        add("shop.example.org", "13.72.183.192", u"13.64.0.0-13.107.255.255"_s,
            u"Microsoft Corporation"_s, 3 * 86400 + 3600);
        add("a.example.com", "198.51.1.1", range, u"Example Hosting B.V."_s);
        add("b.example.com", "198.51.7.7", std::nullopt, u"example hosting"_s);
        add("c.example.net", "203.0.113.9", std::nullopt, u"Evil\u001b]0;owned\u0007 Net"_s);
        add("old.example", "1.1.1.1", u"1.1.1.0-1.1.1.255"_s, u"APNIC-LABS"_s);
        folder.write(u"hosting_profiles.json"_s, HostingProfilesJson::encode(profiles));
    }

    void add(const char* host, const char* ip, std::optional<QString> range, QString provider,
             qint64 age_seconds = 10 * 60 + 5)
    {
        const ResolvedAddress resolved = address(ip);
        const qint64 updated = QDateTime::currentSecsSinceEpoch() - age_seconds;
        profiles.insert(QString::fromLatin1(host),
                        {QString::fromLatin1(host), resolved.text, resolved.range_key(),
                         std::move(range), std::move(provider),
                         QDateTime::fromSecsSinceEpoch(updated, Qt::UTC)});
    }

    ProcessResult providers(QStringList arguments = {})
    {
        return run_tessary(QStringList{u"providers"_s} + arguments +
                           QStringList{u"--data-dir"_s, folder.path()});
    }

    DataFolder folder;
    HostingProfilesJson::ProfileMap profiles;
};

// Reads without a lock and writes nothing.
TEST_F(ProvidersCommand, prints_the_sidebar_groups_with_each_hosts_profile)
{
    const QStringList before = folder.entries();
    const ProcessResult run = providers();
    ASSERT_TRUE(run.exit_code == 0 && run.err.isEmpty()) << run.err.constData();
    EXPECT_EQ(QString::fromUtf8(run.out),
              QStringLiteral(
                  "Pinned\n"
                  "  shop.example.org  https://shop.example.org/a\n"
                  "    address 13.72.183.192 (13.72.183.0/24), network 13.64.0.0-13.107.255.255, "
                  "provider \"Microsoft Corporation\", updated 3 d ago\n"
                  "Example Hosting\n"
                  "  a.example.com  https://A.example.com/shop\n"
                  "    address 198.51.1.1 (198.51.1.0/24), network 198.51.0.0-198.51.255.255, "
                  "provider \"Example Hosting B.V.\", updated 10 min ago\n"
                  "  b.example.com  https://b.example.com\n"
                  "    address 198.51.7.7 (198.51.7.0/24), network unknown, "
                  "provider \"example hosting\", updated 10 min ago\n"
                  "Other Providers\n"
                  "  c.example.net  https://c.example.net\n"
                  "    address 203.0.113.9 (203.0.113.0/24), network unknown, "
                  "provider \"Evil\ufffd]0;owned\ufffd Net\", updated 10 min ago\n"
                  "  new.example  https://new.example\n"
                  "    no provider profile yet\n"));
    EXPECT_EQ(folder.entries(), before);
    EXPECT_EQ(HostingProfilesJson::decode(folder.read(u"hosting_profiles.json"_s)).value(),
              profiles);
}

TEST_F(ProvidersCommand, json_holds_the_groups_domains_and_profiles_with_their_age)
{
    const qint64 started = QDateTime::currentSecsSinceEpoch();
    const ProcessResult run = providers({u"--json"_s});
    const qint64 ended = QDateTime::currentSecsSinceEpoch();
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(run.out.count('\n'), 1) << "compact";
    const QJsonArray groups = QJsonDocument::fromJson(run.out).array();
    ASSERT_EQ(groups.size(), 3);
    QStringList ids;
    for (const QJsonValue& group : groups)
        ids.append(group[u"id"_s].toString() + u'=' + group[u"title"_s].toString());
    EXPECT_EQ(ids, (QStringList{u"pinned=Pinned"_s, u"Example Hosting=Example Hosting"_s,
                                u"other-providers=Other Providers"_s}));

    const QJsonObject first = groups[1][u"domains"_s][0].toObject();
    EXPECT_EQ(first.keys(), (QStringList{u"display_provider_name"_s, u"host"_s, u"id"_s,
                                         u"profile"_s, u"url_string"_s}));
    EXPECT_EQ(first[u"display_provider_name"_s].toString(), u"Example Hosting"_s);
    const QJsonObject p = first[u"profile"_s].toObject();
    EXPECT_EQ(p[u"network_range"_s].toString(), u"198.51.0.0-198.51.255.255"_s);
    const qint64 updated = profiles.value(u"a.example.com"_s).updated_at.toSecsSinceEpoch();
    const qint64 age = p[u"age_seconds"_s].toInteger();
    EXPECT_TRUE(age >= started - updated && age <= ended - updated) << age;
    EXPECT_EQ(groups[2][u"domains"_s][1].toObject().keys(),
              (QStringList{u"host"_s, u"id"_s, u"url_string"_s}));
}

TEST_F(ProvidersCommand, fails_on_a_damaged_profile_file_or_an_unknown_argument)
{
    folder.write(u"hosting_profiles.json"_s, "{\"a.example.com\":{\"host\":1}}");
    const std::pair<QStringList, const char*> cases[] = {
        {{}, "tessary: cannot use hosting_profiles.json: a.example.com"},
        {{u"--colour"_s}, "tessary providers: "},
        {{u"example.com"_s}, "tessary providers: "},
    };
    for (const auto& [arguments, message] : cases) {
        const ProcessResult run = providers(arguments);
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_TRUE(run.out.isEmpty()) << "no partial groups";
        EXPECT_TRUE(run.err.startsWith(message)) << run.err.constData();
    }
    EXPECT_EQ(folder.read(u"hosting_profiles.json"_s), "{\"a.example.com\":{\"host\":1}}");
}

TEST(ProvidersCommandWithoutData, says_there_are_no_domains)
{
    DataFolder empty;
    const QStringList arguments{u"providers"_s, u"--data-dir"_s, empty.path()};
    EXPECT_EQ(run_tessary(arguments).out, "No active domains.\n");
    EXPECT_EQ(run_tessary(arguments + QStringList{u"--json"_s}).out, "[]\n");
}

} // namespace
