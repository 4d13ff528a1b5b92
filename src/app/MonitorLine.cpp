#include "MonitorLine.h"

#include "MeasurementResult.h"
#include "i18n/MeasurementFormatter.h"
#include "i18n/TerminalText.h"
#include "model/DomainHost.h"
#include "model/RedactedUrl.h"

QString measurement_line(const MonitoredDomain& domain, const DomainMeasurement& m)
{
    const QString level = m.is_local_network_issue
                              ? QStringLiteral("local network issue")
                              : domain_measurement_level_key(domain.measurement_level(m));
    return MeasurementFormatter::date_time().string(m.measured_at) + QStringLiteral("  ") +
           TerminalText::printable(domain_host(domain.url_string)) + QStringLiteral("  ") +
           measurement_result(m) + QStringLiteral("  ") +
           MeasurementFormatter::duration(m.total_time) + QStringLiteral("  ") + level;
}

QString monitor_line(const QString& line, bool on_terminal)
{
    return on_terminal ? line : redacted_urls_in(line);
}
