#include "model/CertificateValidity.h"

#include "MeasurementFactory.h"
#include "i18n/L10n.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

const QTimeZone amsterdam("Europe/Amsterdam");

QDateTime local(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2025, 3, day), QTime(hour, minute), amsterdam);
}

struct ValidityCase {
    const char* name;
    QDateTime now;
    QDateTime expires_at;
    AppLanguage language;
    qint64 days_left;
    bool has_expired;
    const char* description;
};

void PrintTo(const ValidityCase& c, std::ostream* out)
{
    *out << c.name;
}

class CertificateDays : public ::testing::TestWithParam<ValidityCase> {
protected:
    void TearDown() override { L10n::set_selected_language(AppLanguage::system); }
};

TEST_P(CertificateDays, counts_calendar_days_and_says_so)
{
    const ValidityCase& c = GetParam();
    L10n::set_selected_language(c.language);
    const CertificateValidity validity =
        CertificateValidity::at(c.expires_at.toUTC(), c.now.toUTC(), amsterdam);
    EXPECT_EQ(validity.days_left, c.days_left);
    EXPECT_EQ(validity.has_expired, c.has_expired);
    EXPECT_EQ(validity.description().toStdString(), c.description);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CertificateDays,
    ::testing::Values(
        ValidityCase{"many_days", local(1, 12), local(15, 9), AppLanguage::english, 14, false,
                     "Certificate valid for 14 more days"},
        ValidityCase{"many_days_dutch", local(1, 12), local(15, 9), AppLanguage::dutch, 14, false,
                     "Certificaat nog 14 dagen geldig"},
        // Tomorrow morning is one day away, however late it is tonight.
        ValidityCase{"tomorrow_morning", local(1, 23, 50), local(2, 0, 10), AppLanguage::english, 1,
                     false, "Certificate valid for 1 more day"},
        ValidityCase{"one_day_dutch", local(1, 8), local(2, 20), AppLanguage::dutch, 1, false,
                     "Certificaat nog 1 dag geldig"},
        ValidityCase{"later_today", local(1, 8), local(1, 20), AppLanguage::english, 0, false,
                     "Certificate expires today"},
        ValidityCase{"later_today_dutch", local(1, 8), local(1, 20), AppLanguage::dutch, 0, false,
                     "Certificaat verloopt vandaag"},
        ValidityCase{"earlier_today", local(1, 20), local(1, 8), AppLanguage::english, 0, true,
                     "Certificate expired today"},
        ValidityCase{"yesterday_dutch", local(2, 1), local(1, 23), AppLanguage::dutch, -1, true,
                     "Certificaat 1 dag geleden verlopen"},
        ValidityCase{"days_ago", local(4, 12), local(1, 12), AppLanguage::english, -3, true,
                     "Certificate expired 3 days ago"},
        ValidityCase{"days_ago_dutch", local(4, 12), local(1, 12), AppLanguage::dutch, -3, true,
                     "Certificaat 3 dagen geleden verlopen"},
        // The clocks go forward on 30 March: still whole days.
        ValidityCase{"across_summer_time", local(29, 12), local(31, 12), AppLanguage::english, 2,
                     false, "Certificate valid for 2 more days"}),
    [](const auto& info) { return std::string(info.param.name); });

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
