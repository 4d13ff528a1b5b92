#include "AlertLine.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"

#include <gtest/gtest.h>

TEST(AlertLine, gives_the_time_and_the_notifications_text_on_one_line)
{
    L10n::set_selected_language(AppLanguage::english);
    DomainAlert alert{DomainAlert::Kind::down,
                      QUuid::createUuid(),
                      QStringLiteral("example.com"),
                      QDateTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC),
                      {}};
    alert.measurement.measured_at = alert.outage_started_at.addSecs(6 * 60 + 59);
    alert.measurement.error_message = QStringLiteral("refused\r\n\x1b[2J");
    const QString time = MeasurementFormatter::date_time().string(alert.measurement.measured_at);
    EXPECT_EQ(alert_line(alert),
              time + QStringLiteral("  example.com is down: refused\ufffd\ufffd\ufffd[2J"));
    alert.kind = DomainAlert::Kind::up_again;
    EXPECT_EQ(alert_line(alert), time + QStringLiteral("  example.com is up again after 6 min"));
    L10n::set_selected_language(AppLanguage::system);
}
