#include "model/DomainSettings.h"

#include <algorithm>

int DomainSettings::bounded_interval(int seconds)
{
    return std::max(seconds, minimum_interval_seconds);
}

int DomainSettings::bounded_lookback(int hours)
{
    return std::max(hours, minimum_max_history_hours);
}

DomainSettings DomainSettings::bounded() const
{
    DomainSettings settings = *this;
    settings.interval_seconds = bounded_interval(interval_seconds);
    settings.max_history_hours = bounded_lookback(max_history_hours);
    settings.user_agent = normalized_user_agent(user_agent);
    return settings;
}

QString normalized_user_agent(const QString& user_agent)
{
    const QString trimmed = user_agent.trimmed();
    return trimmed.isEmpty() ? DomainSettings::default_user_agent() : trimmed;
}
