#include "model/CertificateValidity.h"

#include "MeasurementFactory.h"
#include "i18n/L10n.h"

#include <gtest/gtest.h>

namespace {

const QTimeZone amsterdam("Europe/Amsterdam");

QDateTime local(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2025, 3, day), QTime(hour, minute), amsterdam);
}

TEST(CertificateValidity, counts_calendar_days_and_says_so)
{
    struct Case {
        QDateTime now, expires_at;
        AppLanguage language;
        qint64 days_left;
        bool has_expired;
        const char* description;
    };
    const auto en = AppLanguage::english;
    const auto nl = AppLanguage::dutch;
    const Case cases[] = {
        {local(1, 12), local(15, 9), en, 14, false, "Certificate valid for 14 more days"},
        {local(1, 12), local(15, 9), nl, 14, false, "Certificaat nog 14 dagen geldig"},
        // Tomorrow morning is one day away, however late it is tonight.
        {local(1, 23, 50), local(2, 0, 10), en, 1, false, "Certificate valid for 1 more day"},
        {local(1, 8), local(1, 20), nl, 0, false, "Certificaat verloopt vandaag"},
        {local(1, 20), local(1, 8), en, 0, true, "Certificate expired today"},
        {local(2, 1), local(1, 23), nl, -1, true, "Certificaat 1 dag geleden verlopen"},
        {local(4, 12), local(1, 12), en, -3, true, "Certificate expired 3 days ago"},
        // The clocks go forward on 30 March: still whole days.
        {local(29, 12), local(31, 12), en, 2, false, "Certificate valid for 2 more days"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        L10n::set_selected_language(c.language);
        const CertificateValidity validity =
            CertificateValidity::at(c.expires_at.toUTC(), c.now.toUTC(), amsterdam);
        EXPECT_EQ(validity.days_left, c.days_left);
        EXPECT_EQ(validity.has_expired, c.has_expired);
        EXPECT_EQ(validity.description().toStdString(), c.description);
    }
    L10n::set_selected_language(AppLanguage::system);
}

TEST(CertificateValidity, comes_from_the_newest_measurement_that_recorded_one)
{
    DomainMeasurement newest = failed(0.3);
    DomainMeasurement middle = successful(0.2);
    middle.certificate_expires_at = local(20, 12);
    DomainMeasurement oldest = successful(0.2);
    oldest.certificate_expires_at = local(10, 12);
    const QDateTime now = local(5, 12);
    EXPECT_EQ(CertificateValidity::of_latest({newest, middle, oldest}, now, amsterdam),
              (CertificateValidity{15, false}));
    EXPECT_FALSE(CertificateValidity::of_latest({newest}, now, amsterdam));
}

} // namespace
