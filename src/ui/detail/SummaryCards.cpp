#include "ui/detail/SummaryCards.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "ui/AppColors.h"
#include "ui/detail/DomainStatus.h"

QList<SummaryCardContent> summary_cards(const MonitoredDomain& domain, bool is_running)
{
    const DomainStatistics& statistics = domain.statistics;
    const DomainStatus status = domain_status(domain, is_running);
    const bool has_longest = statistics.longest_disturbance_duration.has_value();
    return {
        {QStringLiteral("status"), QStringLiteral("Status"), status_text(status),
         status_image(status), status_color(status), std::nullopt},
        {QStringLiteral("average"), L10n::text(u"Average P15-P85", u"Gemiddelde P15-P85"),
         MeasurementFormatter::duration(statistics.average_total_time),
         QStringLiteral("chart.line.uptrend.xyaxis"), AppColors::primary(), std::nullopt},
        {QStringLiteral("highest"), L10n::text(u"Highest", u"Hoogste"),
         MeasurementFormatter::duration(statistics.highest_total_time), QStringLiteral("arrow.up"),
         AppColors::orange(), std::nullopt},
        {QStringLiteral("failures"), L10n::text(u"Failures", u"Mislukt"),
         QString::number(statistics.failure_count), QStringLiteral("exclamationmark.triangle"),
         statistics.failure_count >= 1 ? AppColors::red() : AppColors::secondary(), std::nullopt},
        {QStringLiteral("longest_disturbance"),
         L10n::text(u"Longest disturbance", u"Langste verstoring"),
         MeasurementFormatter::minutes(statistics.longest_disturbance_duration),
         QStringLiteral("clock.badge.exclamationmark"),
         has_longest ? AppColors::orange() : AppColors::secondary(),
         L10n::text(u"View all disturbances", u"Bekijk alle verstoringen")},
    };
}
