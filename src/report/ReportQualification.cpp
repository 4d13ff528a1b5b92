#include "report/ReportQualification.h"

#include "i18n/L10n.h"
#include "i18n/MeasurementFormatter.h"
#include "model/MonitoredDomain.h"

#include <algorithm>

namespace ReportQualification {

namespace {

QString not_available()
{
    return L10n::text(u"not available", u"niet beschikbaar");
}

QString good()
{
    return L10n::text(u"good", u"goed");
}

QString needs_improvement()
{
    return L10n::text(u"needs improvement", u"voor verbetering vatbaar");
}

QString poor()
{
    return L10n::text(u"poor", u"slecht");
}

} // namespace

std::optional<double> trimmed_average(std::vector<double> values)
{
    if (values.empty())
        return std::nullopt;
    // The same P15-P85 positions as the statistics' average total time. Only the
    // values at those positions are needed, not a full sort: a year of history
    // has some 100,000 of them per phase.
    const auto range = MonitoredDomain::trimmed_range(qsizetype(values.size()));
    const auto lower = values.begin() + range.lower;
    const auto upper = values.begin() + range.upper;
    std::nth_element(values.begin(), lower, values.end());
    if (upper != values.end())
        std::nth_element(lower, upper, values.end());
    double sum = 0.0;
    for (auto it = lower; it != upper; ++it)
        sum += *it;
    return sum / double(range.upper - range.lower);
}

QString speed_qualification(std::optional<double> seconds)
{
    if (!seconds)
        return not_available();
    if (*seconds <= 0.8)
        return good();
    if (*seconds <= 1.8)
        return needs_improvement();
    return poor();
}

QString reliability_qualification(std::optional<double> percent)
{
    if (!percent)
        return not_available();
    if (*percent >= 99.9)
        return good();
    if (*percent >= 99.0)
        return needs_improvement();
    return poor();
}

QString percentage(std::optional<double> percent)
{
    if (!percent)
        return QStringLiteral("-");
    return MeasurementFormatter::number("%.2f%%", *percent);
}

QString downtime_duration(std::optional<double> seconds)
{
    if (!seconds)
        return L10n::text(u"Unknown", u"Onbekend");
    return MeasurementFormatter::minutes(seconds);
}

} // namespace ReportQualification
