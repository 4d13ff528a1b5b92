#include "measurement/TessaryNotificationService.h"

#include "i18n/AppLanguage.h"
#include "i18n/L10n.h"

#include <QSet>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Qt::StringLiterals;

class RecordingSink final : public NotificationSink {
public:
    void post(const NotificationRequest& request) override { posted.push_back(request); }
    std::vector<NotificationRequest> posted;
};

struct TextCase {
    AppLanguage language;
    double total_time;
    double average_time;
    const char16_t* body;
};

TEST(NotificationTexts, TitleAndBodyInTheLanguageChosenAtEachPosting)
{
    // clang-format off
    const TextCase cases[] = {
        {AppLanguage::english, 7.25, 0.41, u"mysite took 7.25s. The previous average is only 410ms."},
        {AppLanguage::dutch, 7.25, 0.41, u"mysite duurde 7,25s. Het eerdere gemiddelde is slechts 410ms."},
        {AppLanguage::system, 7.25, 0.41, u"mysite took 7.25s. The previous average is only 410ms."},
        {AppLanguage::dutch, 6.0, 1.0, u"mysite duurde 6,00s. Het eerdere gemiddelde is slechts 1,00s."},
        {AppLanguage::english, 5.5, 0.9994, u"mysite took 5.50s. The previous average is only 999ms."},
        {AppLanguage::dutch, 125.126, 0.0004, u"mysite duurde 125,13s. Het eerdere gemiddelde is slechts 0ms."},
    };
    // clang-format on
    RecordingSink sink;
    TessaryNotificationService service(sink);
    for (const TextCase& c : cases) {
        L10n::set_selected_language(c.language);
        service.notify_build_time_exceeded(u"mysite"_s, c.total_time, c.average_time);
        const NotificationRequest& posted = sink.posted.back();
        EXPECT_EQ(posted.title, c.language == AppLanguage::dutch ? u"Buildtijd overschreed 5,0s"_s
                                                                 : u"Build time exceeded 5.0s"_s);
        EXPECT_EQ(posted.body, QString::fromUtf16(c.body));
        EXPECT_TRUE(posted.plays_default_sound);
    }
    L10n::set_selected_language(AppLanguage::system);

    // Every posting is a notification of its own.
    QSet<QString> identifiers;
    for (const NotificationRequest& request : sink.posted)
        identifiers.insert(request.identifier);
    EXPECT_EQ(identifiers.size(), qsizetype(std::size(cases)));
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
        {AppLanguage::english, up_again, 200, 3 * 86400 + 60, u"example.com is up again after 3 days", u"Down since "},
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
