#include "ui/detail/DomainStatus.h"

#include "i18n/L10n.h"
#include "ui/AppColors.h"

#include <cmath>

DomainStatus domain_status(const MonitoredDomain& domain, bool is_running)
{
    if (is_running)
        return DomainStatus::measuring;
    if (!domain.is_active)
        return DomainStatus::inactive;
    if (domain.measurements.isEmpty())
        return DomainStatus::waiting;
    const DomainMeasurement& latest = domain.measurements.first();
    if (latest.is_local_network_issue)
        return DomainStatus::local_network;
    switch (domain.measurement_level(latest)) {
    case DomainMeasurementLevel::normal:
        return DomainStatus::online;
    case DomainMeasurementLevel::delay:
        return DomainStatus::delay;
    case DomainMeasurementLevel::disturbance:
        return DomainStatus::disturbance;
    case DomainMeasurementLevel::outage:
        return DomainStatus::outage;
    case DomainMeasurementLevel::error:
        return DomainStatus::down;
    }
    Q_UNREACHABLE();
    return DomainStatus::down;
}

QString status_key(DomainStatus status)
{
    switch (status) {
    case DomainStatus::measuring:
        return QStringLiteral("measuring");
    case DomainStatus::inactive:
        return QStringLiteral("inactive");
    case DomainStatus::waiting:
        return QStringLiteral("waiting");
    case DomainStatus::local_network:
        return QStringLiteral("local_network");
    case DomainStatus::online:
        return QStringLiteral("online");
    case DomainStatus::delay:
        return QStringLiteral("delay");
    case DomainStatus::disturbance:
        return QStringLiteral("disturbance");
    case DomainStatus::outage:
        return QStringLiteral("outage");
    case DomainStatus::down:
        return QStringLiteral("down");
    }
    Q_UNREACHABLE();
    return {};
}

QString status_text(DomainStatus status)
{
    switch (status) {
    case DomainStatus::measuring:
        return L10n::text(u"Measuring", u"Bezig met meten");
    case DomainStatus::inactive:
        return L10n::text(u"Inactive", u"Inactief");
    case DomainStatus::waiting:
        return L10n::text(u"Waiting", u"Wachten");
    case DomainStatus::local_network:
        return L10n::text(u"Local Network", u"Lokaal netwerk");
    case DomainStatus::online:
        return QStringLiteral("Online");
    case DomainStatus::delay:
        return L10n::text(u"Delay", u"Vertraging");
    case DomainStatus::disturbance:
        return L10n::text(u"Disturbance", u"Verstoring");
    case DomainStatus::outage:
        return L10n::text(u"Outage", u"Storing");
    case DomainStatus::down:
        return QStringLiteral("Down");
    }
    Q_UNREACHABLE();
    return {};
}

QString status_image(DomainStatus status)
{
    switch (status) {
    case DomainStatus::measuring:
        return QStringLiteral("arrow.triangle.2.circlepath");
    case DomainStatus::inactive:
    case DomainStatus::waiting:
        return QStringLiteral("pause.circle");
    case DomainStatus::local_network:
        return QStringLiteral("wifi.exclamationmark");
    case DomainStatus::online:
        return QStringLiteral("checkmark.circle");
    case DomainStatus::delay:
    case DomainStatus::disturbance:
    case DomainStatus::outage:
        return QStringLiteral("exclamationmark.circle");
    case DomainStatus::down:
        return QStringLiteral("xmark.circle");
    }
    Q_UNREACHABLE();
    return {};
}

QColor status_color(DomainStatus status)
{
    switch (status) {
    case DomainStatus::measuring:
    case DomainStatus::inactive:
        return AppColors::secondary();
    case DomainStatus::waiting:
    case DomainStatus::local_network:
    case DomainStatus::delay:
        return AppColors::yellow();
    case DomainStatus::online:
        return AppColors::green();
    case DomainStatus::disturbance:
        return AppColors::orange();
    case DomainStatus::outage:
    case DomainStatus::down:
        return AppColors::red();
    }
    Q_UNREACHABLE();
    return {};
}

QString countdown_text(bool is_running, bool is_active,
                       const std::optional<QDateTime>& next_measurement, const QDateTime& at)
{
    if (is_running)
        return L10n::text(u"Measuring now", u"Nu aan het meten");
    if (!is_active)
        return L10n::text(u"Monitoring paused", u"Monitoring gepauzeerd");
    if (!next_measurement)
        return L10n::text(u"Waiting for schedule", u"Wachten op planning");
    const qint64 ms = at.msecsTo(*next_measurement);
    const double seconds = std::ceil(static_cast<double>(ms) / 1000.0);
    if (seconds < 1.0)
        return L10n::text(u"Measurement starting", u"Meting wordt gestart");
    const QString count = QString::number(static_cast<qint64>(seconds));
    return L10n::text(u"Next measurement in ", u"Nieuwe meting over ") + count + u's';
}
