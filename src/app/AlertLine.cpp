#include "AlertLine.h"

#include "i18n/MeasurementFormatter.h"
#include "i18n/TerminalText.h"
#include "measurement/TessaryNotificationService.h"

QString alert_line(const DomainAlert& alert)
{
    const NotificationRequest notification = TessaryNotificationService::domain_alert(alert);
    QString line = MeasurementFormatter::date_time().string(alert.measurement.measured_at) +
                   QStringLiteral("  ") + notification.title;
    // The body of a recovery only repeats when the outage began.
    if (alert.kind == DomainAlert::Kind::down)
        line += QStringLiteral(": ") + notification.body;
    return TerminalText::printable(line);
}
