#include "DataFolder.h"
#include "StoreSamples.h"
#include "StoreTestEnvironment.h"
#include "i18n/L10n.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

constexpr qint64 day_s = 24 * 3600;

class CertificateAlerts : public ::testing::Test {
protected:
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }

    // Opens the store with one active domain and waits for its first request.
    void open_with_domain(bool notifies)
    {
        auto opened = TessaryStore::open(services.environment(folder.path()));
        ASSERT_TRUE(opened);
        store = std::move(opened).value();
        ASSERT_FALSE(
            store->add_domain(QStringLiteral("mysite.example"), 60, 48, QString(), true, notifies));
        services.clock.advance_by(0);
    }

    // Completes the pending request; `expires_at` invalid for a failed handshake.
    void measure(const QDateTime& expires_at)
    {
        ASSERT_EQ(services.measurements.pending_count(), 1u);
        DomainMeasurement m = sample_measurement(services.clock.now());
        if (!expires_at.isValid()) {
            m.http_status.reset();
            m.error_message = QStringLiteral("SSL certificate problem: certificate has expired");
        }
        m.certificate_expires_at = expires_at;
        services.measurements.complete(m);
    }

    // Lets the next request start `seconds` from now.
    void wait(qint64 seconds) { services.clock.advance_by(seconds * 1000); }

    QStringList bodies() const
    {
        QStringList result;
        for (const NotificationRequest& posted : services.notification_sink.posted)
            result.append(posted.body);
        return result;
    }

    DataFolder folder;
    StoreTestEnvironment services;
    std::unique_ptr<TessaryStore> store;
};

struct AlertCase {
    const char* name;
    qint64 expires_in_s;
    bool notifies;
    AppLanguage language;
    const char* expected; // nullptr: no notification
};

void PrintTo(const AlertCase& c, std::ostream* out)
{
    *out << c.name;
}

class CertificateAlertThreshold : public CertificateAlerts,
                                  public ::testing::WithParamInterface<AlertCase> {};

TEST_P(CertificateAlertThreshold, warns_under_two_weeks_when_the_domain_notifies)
{
    const AlertCase& c = GetParam();
    L10n::set_selected_language(c.language);
    open_with_domain(c.notifies);
    measure(services.clock.now().addSecs(c.expires_in_s));
    EXPECT_EQ(bodies(), c.expected ? QStringList{QString::fromUtf8(c.expected)} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CertificateAlertThreshold,
    ::testing::Values(AlertCase{"five_days", 5 * day_s, true, AppLanguage::english,
                                "The certificate of mysite.example expires in 5 days"},
                      AlertCase{"one_day_dutch", day_s, true, AppLanguage::dutch,
                                "Het certificaat van mysite.example verloopt over 1 dag"},
                      AlertCase{"later_today_dutch", 3600, true, AppLanguage::dutch,
                                "Het certificaat van mysite.example verloopt vandaag"},
                      AlertCase{"thirteen_days_dutch", 13 * day_s, true, AppLanguage::dutch,
                                "Het certificaat van mysite.example verloopt over 13 dagen"},
                      AlertCase{"fourteen_days", 14 * day_s, true, AppLanguage::english, nullptr},
                      AlertCase{"notifications_off", 5 * day_s, false, AppLanguage::english,
                                nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CertificateAlerts, once_a_local_day)
{
    open_with_domain(true);
    // 09:15 UTC, 10:15 in Amsterdam.
    const QDateTime expires_at = services.clock.now().addSecs(5 * day_s);
    measure(expires_at);
    wait(120);
    measure(expires_at);
    // 23:59 in Amsterdam: still the same day.
    services.clock.advance_to(QDateTime(QDate(2025, 1, 31), QTime(22, 59), Qt::UTC));
    measure(expires_at);
    EXPECT_EQ(bodies().size(), 1);
    wait(120);
    measure(expires_at);
    EXPECT_EQ(bodies(),
              (QStringList{QStringLiteral("The certificate of mysite.example expires in 5 days"),
                           QStringLiteral("The certificate of mysite.example expires in 4 days")}));
}

TEST_F(CertificateAlerts, an_expired_certificate_is_known_from_the_history)
{
    open_with_domain(true);
    measure(services.clock.now().addSecs(20 * day_s));
    wait(21 * day_s);
    // Curl refuses the expired certificate: the failed measurement has none.
    measure(QDateTime());
    EXPECT_EQ(bodies(),
              QStringList{QStringLiteral("The certificate of mysite.example has expired")});
    EXPECT_EQ(services.notification_sink.posted.back().title,
              QStringLiteral("Certificate expired"));
}

} // namespace
