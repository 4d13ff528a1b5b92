#include "DataFolder.h"
#include "HostingTestSupport.h"
#include "TessaryProcess.h"
#include "hosting/HostingProfilesJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const char* const domains_json =
    R"([{"id":"0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://b.example.com","interval_seconds":60,"is_active":true},)"
    R"({"id":"1B1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://shop.example.org/a","interval_seconds":30,"is_active":true,"is_pinned":true},)"
    R"({"id":"2C1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://old.example","interval_seconds":30,"is_active":true,"is_archived":true},)"
    R"({"id":"3D1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://new.example","interval_seconds":30,"is_active":false},)"
    R"({"id":"4E1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://c.example.net","interval_seconds":30,"is_active":true},)"
    R"({"id":"5F1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9","url_string":"https://A.example.com/shop","interval_seconds":30,"is_active":true}])";

HostingProviderProfile profile(const char* host, const char* ip, std::optional<QString> range,
                               const QString& provider, const QDateTime& updated_at)
{
    const ResolvedAddress resolved = address(ip);
    return {QString::fromLatin1(host), resolved.text, resolved.range_key(),
            std::move(range),          provider,      updated_at};
}

class ProvidersCommand : public testing::Test {
protected:
    void SetUp() override
    {
        folder.write(QStringLiteral("domains.json"), domains_json);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        three_days_ago =
            QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() - 3 * 86400 - 3600, Qt::UTC);
        minutes_ago = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() - 10 * 60 - 5, Qt::UTC);
        const QString range = QStringLiteral("198.51.0.0-198.51.255.255");
        profiles = {
            {QStringLiteral("shop.example.org"),
             profile("shop.example.org", "13.72.183.192",
                     QStringLiteral("13.64.0.0-13.107.255.255"),
                     QStringLiteral("Microsoft Corporation"), three_days_ago)},
            {QStringLiteral("a.example.com"),
             profile("a.example.com", "198.51.1.1", range, QStringLiteral("Example Hosting B.V."),
                     minutes_ago)},
            {QStringLiteral("b.example.com"),
             profile("b.example.com", "198.51.7.7", std::nullopt, QStringLiteral("example hosting"),
                     minutes_ago)},
            {QStringLiteral("c.example.net"),
             profile("c.example.net", "203.0.113.9", std::nullopt,
                     QStringLiteral("Evil\u001b]0;owned\u0007 Net"), minutes_ago)},
            {QStringLiteral("old.example"),
             profile("old.example", "1.1.1.1", QStringLiteral("1.1.1.0-1.1.1.255"),
                     QStringLiteral("APNIC-LABS"), minutes_ago)},
        };
        folder.write(QStringLiteral("hosting_profiles.json"),
                     HostingProfilesJson::encode(profiles));
    }

    ProcessResult providers(QStringList arguments = {})
    {
        return run_tessary(QStringList{QStringLiteral("providers")} + arguments +
                           QStringList{QStringLiteral("--data-dir"), folder.path()});
    }

    DataFolder folder;
    QDateTime three_days_ago;
    QDateTime minutes_ago;
    HostingProfilesJson::ProfileMap profiles;
};

TEST_F(ProvidersCommand, prints_the_sidebar_groups_with_each_hosts_profile)
{
    const ProcessResult run = providers();
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(run.err.isEmpty());
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
}

TEST_F(ProvidersCommand, json_holds_the_groups_domains_and_profiles_with_their_age)
{
    const qint64 started = QDateTime::currentSecsSinceEpoch();
    const ProcessResult run = providers({QStringLiteral("--json")});
    const qint64 ended = QDateTime::currentSecsSinceEpoch();
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(run.out.endsWith("}]\n"));
    EXPECT_FALSE(run.out.trimmed().contains('\n')) << "compact";
    EXPECT_TRUE(run.out.contains("\\u001B]0;owned\\u0007 Net") ||
                run.out.contains("\\u001b]0;owned\\u0007 Net"))
        << run.out.constData();

    const QJsonArray groups = QJsonDocument::fromJson(run.out).array();
    ASSERT_EQ(groups.size(), 3);
    QStringList ids;
    for (const QJsonValue& group : groups)
        ids.append(group[QStringLiteral("id")].toString());
    EXPECT_EQ(ids, (QStringList{QStringLiteral("pinned"), QStringLiteral("Example Hosting"),
                                QStringLiteral("other-providers")}));
    EXPECT_EQ(groups[2][QStringLiteral("title")].toString(), QStringLiteral("Other Providers"));

    const QJsonArray named = groups[1][QStringLiteral("domains")].toArray();
    ASSERT_EQ(named.size(), 2);
    const QJsonObject first = named[0].toObject();
    EXPECT_EQ(first.keys(), (QStringList{QStringLiteral("display_provider_name"),
                                         QStringLiteral("host"), QStringLiteral("id"),
                                         QStringLiteral("profile"), QStringLiteral("url_string")}));
    EXPECT_EQ(first[QStringLiteral("host")].toString(), QStringLiteral("a.example.com"));
    EXPECT_EQ(first[QStringLiteral("display_provider_name")].toString(),
              QStringLiteral("Example Hosting"));
    EXPECT_EQ(first[QStringLiteral("id")].toString(),
              QStringLiteral("5F1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9"));
    const QJsonObject p = first[QStringLiteral("profile")].toObject();
    EXPECT_EQ(p[QStringLiteral("network_range")].toString(),
              QStringLiteral("198.51.0.0-198.51.255.255"));
    EXPECT_EQ(p[QStringLiteral("updated_at")].toString(),
              QString::fromLatin1(minutes_ago.toString(Qt::ISODate).toLatin1()));
    const qint64 age = p[QStringLiteral("age_seconds")].toInteger();
    EXPECT_GE(age, started - minutes_ago.toSecsSinceEpoch());
    EXPECT_LE(age, ended - minutes_ago.toSecsSinceEpoch());
    EXPECT_FALSE(
        named[1][QStringLiteral("profile")].toObject().contains(QStringLiteral("network_range")));

    const QJsonArray rest = groups[2][QStringLiteral("domains")].toArray();
    ASSERT_EQ(rest.size(), 2);
    EXPECT_FALSE(rest[1].toObject().contains(QStringLiteral("profile")));
    EXPECT_FALSE(rest[1].toObject().contains(QStringLiteral("display_provider_name")));
}

TEST_F(ProvidersCommand, without_a_profile_file_puts_every_unpinned_domain_in_the_rest)
{
    QFile::remove(folder.file(QStringLiteral("hosting_profiles.json")));
    const ProcessResult run = providers({QStringLiteral("--json")});
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QJsonArray groups = QJsonDocument::fromJson(run.out).array();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[1][QStringLiteral("domains")].toArray().size(), 4);
}

TEST_F(ProvidersCommand, reads_without_a_lock_and_writes_nothing)
{
    const QStringList before = folder.entries();
    const QByteArray profiles_before = folder.read(QStringLiteral("hosting_profiles.json"));
    EXPECT_EQ(providers().exit_code, 0);
    EXPECT_EQ(providers({QStringLiteral("--json")}).exit_code, 0);
    EXPECT_EQ(folder.entries(), before);
    EXPECT_EQ(folder.read(QStringLiteral("hosting_profiles.json")), profiles_before);
}

TEST_F(ProvidersCommand, names_a_damaged_profile_file_instead_of_showing_partial_groups)
{
    folder.write(QStringLiteral("hosting_profiles.json"), "{\"a.example.com\":{\"host\":1}}");
    const ProcessResult run = providers();
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("tessary: cannot use hosting_profiles.json: a.example.com"))
        << run.err.constData();
    EXPECT_EQ(folder.read(QStringLiteral("hosting_profiles.json")),
              "{\"a.example.com\":{\"host\":1}}");
}

TEST_F(ProvidersCommand, refuses_arguments_it_does_not_know)
{
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--colour")}, QStringList{QStringLiteral("example.com")}}) {
        const ProcessResult run = providers(arguments);
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith("tessary providers: ")) << run.err.constData();
    }
}

TEST(ProvidersCommandWithoutData, says_there_are_no_domains)
{
    DataFolder empty;
    const ProcessResult run =
        run_tessary({QStringLiteral("providers"), QStringLiteral("--data-dir"), empty.path()});
    EXPECT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(run.out, "No active domains.\n");
    const ProcessResult json = run_tessary({QStringLiteral("providers"), QStringLiteral("--json"),
                                            QStringLiteral("--data-dir"), empty.path()});
    EXPECT_EQ(json.out, "[]\n");
    const ProcessResult help = run_tessary({QStringLiteral("--help")});
    EXPECT_TRUE(help.out.contains("providers [--json]"));
}

} // namespace
