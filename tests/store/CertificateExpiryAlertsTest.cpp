#include "StoreFixture.h"
#include "i18n/L10n.h"

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 day_s = 24 * 3600;

class CertificateAlerts : public StoreFixture {
protected:
    void SetUp() override { open(); }
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }

    // Records a measurement finished now; `expires_at` invalid for a failed handshake.
    void record(const QUuid& id, const QDateTime& expires_at)
    {
        DomainMeasurement m = sample_measurement(clock.now());
        m.url_string = domain(id).url_string;
        if (!expires_at.isValid()) {
            m.http_status.reset();
            m.error_message = u"SSL certificate problem: certificate has expired"_s;
        }
        m.certificate_expires_at = expires_at;
        store->record_measurement(id, m);
    }

    QStringList bodies() const
    {
        QStringList result;
        for (const NotificationRequest& posted : services.notification_sink.posted)
            result.append(posted.body);
        return result;
    }
};

TEST_F(CertificateAlerts, warn_under_two_weeks_in_the_language_chosen_when_the_domain_notifies)
{
    const struct {
        const char* host;
        qint64 expires_in_s;
        bool notifies;
        AppLanguage language;
    } cases[] = {{"five.example", 5 * day_s, true, AppLanguage::english},
                 {"one.example", day_s, true, AppLanguage::dutch},
                 {"today.example", 3600, true, AppLanguage::dutch},
                 {"thirteen.example", 13 * day_s, true, AppLanguage::dutch},
                 {"fourteen.example", 14 * day_s, true, AppLanguage::english},
                 {"quiet.example", 5 * day_s, false, AppLanguage::english}};
    for (const auto& c : cases) {
        L10n::set_selected_language(c.language);
        record(add(QString::fromLatin1(c.host), false, c.notifies),
               clock.now().addSecs(c.expires_in_s));
    }
    EXPECT_EQ(bodies(),
              (QStringList{u"The certificate of five.example expires in 5 days"_s,
                           u"Het certificaat van one.example verloopt over 1 dag"_s,
                           u"Het certificaat van today.example verloopt vandaag"_s,
                           u"Het certificaat van thirteen.example verloopt over 13 dagen"_s}));
}

TEST_F(CertificateAlerts, once_a_local_day)
{
    const QUuid id = add(u"mysite.example"_s, false, true);
    // 09:15 UTC, 10:15 in Amsterdam.
    const QDateTime expires_at = clock.now().addSecs(5 * day_s);
    record(id, expires_at);
    clock.advance_by(120'000);
    record(id, expires_at);
    // 23:59 in Amsterdam: still the same day.
    clock.advance_to(QDateTime(QDate(2025, 1, 31), QTime(22, 59), Qt::UTC));
    record(id, expires_at);
    EXPECT_EQ(bodies().size(), 1);
    clock.advance_by(120'000);
    record(id, expires_at);
    EXPECT_EQ(bodies(), (QStringList{u"The certificate of mysite.example expires in 5 days"_s,
                                     u"The certificate of mysite.example expires in 4 days"_s}));
}

TEST_F(CertificateAlerts, an_expired_certificate_is_known_from_the_history_of_its_host)
{
    const QUuid id = add(u"mysite.example"_s, false, true);
    const QUuid moved = add(u"moved.example"_s, false, true);
    record(id, clock.now().addSecs(20 * day_s));
    record(moved, clock.now().addSecs(20 * day_s));
    DomainSettings settings = domain(moved).settings();
    settings.url_string = u"elsewhere.example"_s;
    store->update_domain(moved, settings);
    clock.advance_by(21 * day_s * 1000);
    // Curl refuses the expired certificate: the failed measurement has none.
    record(id, QDateTime());
    record(moved, QDateTime());
    EXPECT_EQ(bodies(), QStringList{u"The certificate of mysite.example has expired"_s});
    EXPECT_EQ(services.notification_sink.posted.back().title, u"Certificate expired"_s);
}

} // namespace
