#include "measurement/TessaryNotificationService.h"

#include "i18n/AppLanguage.h"
#include "i18n/L10n.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

class RecordingSink final : public NotificationSink {
public:
    void post(const NotificationRequest& request) override { posted.push_back(request); }
    std::vector<NotificationRequest> posted;
};

// Each test starts and ends with the language left to the system (English here).
class NotificationTextTest : public ::testing::Test {
protected:
    void SetUp() override { L10n::set_selected_language(AppLanguage::system); }
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }
};

struct TextCase {
    AppLanguage language;
    double total_time;
    double average_time;
    const char16_t* title;
    const char16_t* body;
};

void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << app_language_raw_value(c.language).toStdString() << ' ' << c.total_time << '/'
         << c.average_time;
}

class NotificationTextsTest : public NotificationTextTest,
                              public ::testing::WithParamInterface<TextCase> {};

TEST_P(NotificationTextsTest, TitleAndBodyInTheChosenLanguage)
{
    const TextCase& c = GetParam();
    L10n::set_selected_language(c.language);
    RecordingSink sink;
    TessaryNotificationService service(sink);
    service.notify_build_time_exceeded(u"mysite"_s, c.total_time, c.average_time);
    ASSERT_EQ(sink.posted.size(), 1u);
    EXPECT_EQ(sink.posted[0].title.toStdString(), QString::fromUtf16(c.title).toStdString());
    EXPECT_EQ(sink.posted[0].body.toStdString(), QString::fromUtf16(c.body).toStdString());
    EXPECT_TRUE(sink.posted[0].plays_default_sound);
}

constexpr auto english_title = u"Build time exceeded 5.0s";
constexpr auto dutch_title = u"Buildtijd overschreed 5,0s";

INSTANTIATE_TEST_SUITE_P(
    Texts, NotificationTextsTest,
    ::testing::Values(TextCase{AppLanguage::english, 7.25, 0.41, english_title,
                               u"mysite took 7.25s. The previous average is only 410ms."},
                      TextCase{AppLanguage::dutch, 7.25, 0.41, dutch_title,
                               u"mysite duurde 7,25s. Het eerdere gemiddelde is slechts 410ms."},
                      TextCase{AppLanguage::system, 7.25, 0.41, english_title,
                               u"mysite took 7.25s. The previous average is only 410ms."},
                      TextCase{AppLanguage::english, 6.0, 1.0, english_title,
                               u"mysite took 6.00s. The previous average is only 1.00s."},
                      TextCase{AppLanguage::dutch, 6.0, 1.0, dutch_title,
                               u"mysite duurde 6,00s. Het eerdere gemiddelde is slechts 1,00s."},
                      TextCase{AppLanguage::english, 5.5, 0.9994, english_title,
                               u"mysite took 5.50s. The previous average is only 999ms."},
                      TextCase{AppLanguage::dutch, 125.126, 0.0004, dutch_title,
                               u"mysite duurde 125,13s. Het eerdere gemiddelde is slechts 0ms."}),
    [](const auto& info) {
        return app_language_raw_value(info.param.language).toStdString() + '_' +
               std::to_string(info.index);
    });

struct AlertCase {
    AppLanguage language;
    DomainAlert::Kind kind;
    std::optional<int> status;
    qint64 outage_seconds;
    const char16_t* title;
    const char16_t* body; // of a recovery: its start
};

class DomainAlertTextsTest : public NotificationTextTest,
                             public ::testing::WithParamInterface<AlertCase> {};

TEST_P(DomainAlertTextsTest, NameTheDomainTheCauseAndTheOutagesLength)
{
    const AlertCase& c = GetParam();
    L10n::set_selected_language(c.language);
    DomainAlert alert{c.kind,
                      QUuid::createUuid(),
                      u"example.com"_s,
                      QDateTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC),
                      {}};
    alert.measurement.measured_at = alert.outage_started_at.addSecs(c.outage_seconds);
    alert.measurement.http_status = c.status;
    const NotificationRequest posted = TessaryNotificationService::domain_alert(alert);
    EXPECT_EQ(posted.title, QString::fromUtf16(c.title));
    EXPECT_TRUE(posted.body.startsWith(QString::fromUtf16(c.body))) << posted.body.toStdString();
    EXPECT_EQ(posted.domain_id, alert.domain_id);
}

using enum DomainAlert::Kind;

INSTANTIATE_TEST_SUITE_P(
    Texts, DomainAlertTextsTest,
    ::testing::Values(
        AlertCase{AppLanguage::english, down, 503, 60, u"example.com is down", u"HTTP status 503"},
        AlertCase{
            AppLanguage::dutch, down, {}, 60, u"example.com is onbereikbaar", u"Geen antwoord"},
        AlertCase{AppLanguage::dutch, up_again, 200, 419,
                  u"example.com is weer bereikbaar na 6 min", u"Onbereikbaar sinds "},
        AlertCase{AppLanguage::english, up_again, 200, 3 * 86400 + 60,
                  u"example.com is up again after 3 days", u"Down since "}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(NotificationTextTest, EveryPostingIsASeparateNotificationWithItsOwnIdentifier)
{
    RecordingSink sink;
    TessaryNotificationService service(sink);
    service.notify_build_time_exceeded(u"mysite"_s, 7.25, 0.41);
    service.notify_build_time_exceeded(u"mysite"_s, 7.25, 0.41);
    ASSERT_EQ(sink.posted.size(), 2u);
    const QRegularExpression identifier(
        u"^build-time-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$"_s);
    for (const NotificationRequest& request : sink.posted)
        EXPECT_TRUE(identifier.match(request.identifier).hasMatch())
            << request.identifier.toStdString();
    EXPECT_NE(sink.posted[0].identifier, sink.posted[1].identifier);
    EXPECT_EQ(sink.posted[0].body, sink.posted[1].body);
}

TEST_F(NotificationTextTest, LanguageIsReadAtEachPosting)
{
    RecordingSink sink;
    TessaryNotificationService service(sink);
    L10n::set_selected_language(AppLanguage::dutch);
    service.notify_build_time_exceeded(u"a.example"_s, 10.5, 1.5);
    L10n::set_selected_language(AppLanguage::english);
    service.notify_build_time_exceeded(u"a.example"_s, 10.5, 1.5);
    ASSERT_EQ(sink.posted.size(), 2u);
    EXPECT_EQ(sink.posted[0].title, QString::fromUtf16(dutch_title));
    EXPECT_EQ(sink.posted[1].title, QString::fromUtf16(english_title));
}

} // namespace
