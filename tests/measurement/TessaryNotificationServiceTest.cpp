#include "measurement/TessaryNotificationService.h"

#include "RecordingNotificationSink.h"
#include "i18n/L10n.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

TEST(NotificationTexts, TitleAndBodyInTheLanguageChosenAtEachPosting)
{
    // Durations are formatted in tests/i18n; here only the choice of language.
    const std::pair<AppLanguage, QString> cases[] = {
        {AppLanguage::english, u"took 7.25s. The previous average is only 410ms."_s},
        {AppLanguage::dutch, u"duurde 7,25s. Het eerdere gemiddelde is slechts 410ms."_s},
        {AppLanguage::system, u"took 7.25s. The previous average is only 410ms."_s},
    };
    RecordingNotificationSink sink;
    TessaryNotificationService service(sink);
    for (const auto& [language, body] : cases) {
        L10n::set_selected_language(language);
        service.notify_build_time_exceeded(u"mysite"_s, 7.25, 0.41);
        const NotificationRequest& posted = sink.posted.back();
        EXPECT_EQ(posted.title, language == AppLanguage::dutch ? u"Buildtijd overschreed 5,0s"_s
                                                               : u"Build time exceeded 5.0s"_s);
        EXPECT_EQ(posted.body, u"mysite "_s + body);
        EXPECT_TRUE(posted.plays_default_sound);
    }
    L10n::set_selected_language(AppLanguage::system);
    // Every posting is a notification of its own.
    EXPECT_NE(sink.posted[0].identifier, sink.posted[1].identifier);
}

struct AlertCase {
    AppLanguage language;
    DomainAlert::Kind kind;
    std::optional<int> status;
    qint64 outage_seconds;
    const char16_t* title;
    const char16_t* body; // of a recovery: its start
};

TEST(NotificationTexts, AlertsNameTheDomainTheCauseAndTheOutagesLength)
{
    using enum DomainAlert::Kind;
    // clang-format off
    const AlertCase cases[] = {
        {AppLanguage::english, down, 503, 60, u"example.com is down", u"HTTP status 503"},
        {AppLanguage::dutch, down, {}, 60, u"example.com is onbereikbaar", u"Geen antwoord"},
        {AppLanguage::dutch, up_again, 200, 419, u"example.com is weer bereikbaar na 6 min", u"Onbereikbaar sinds "},
    };
    // clang-format on
    const QDateTime start(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);
    for (const AlertCase& c : cases) {
        L10n::set_selected_language(c.language);
        DomainAlert alert{c.kind, QUuid::createUuid(), u"example.com"_s, start, {}};
        alert.measurement.measured_at = alert.outage_started_at.addSecs(c.outage_seconds);
        alert.measurement.http_status = c.status;
        const NotificationRequest posted = TessaryNotificationService::domain_alert(alert);
        EXPECT_EQ(posted.title, QString::fromUtf16(c.title));
        EXPECT_TRUE(posted.body.startsWith(QString::fromUtf16(c.body)))
            << posted.body.toStdString();
        EXPECT_EQ(posted.domain_id, alert.domain_id);
    }
    L10n::set_selected_language(AppLanguage::system);
}

} // namespace
