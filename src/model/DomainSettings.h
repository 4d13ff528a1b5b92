#pragma once

#include <QString>

// What the user chooses for a monitored domain, with the bounds the store keeps
// and the ranges the editors (the add form, the detail pane, the command line)
// offer. A settings edit carries only these, never a copy of the history.
struct DomainSettings {
    // The store raises smaller values to these floors; the editors offer no more
    // than the maxima.
    static constexpr int minimum_interval_seconds = 20;
    static constexpr int maximum_interval_seconds = 86'400;
    static constexpr int default_interval_seconds = 120;
    static constexpr int minimum_max_history_hours = 1;
    static constexpr int maximum_max_history_hours = 8'760;
    static constexpr int default_max_history_hours = 48;
    static QString default_user_agent() { return QStringLiteral("Tessarybot"); }

    QString url_string;
    int interval_seconds = default_interval_seconds;
    int max_history_hours = default_max_history_hours;
    QString user_agent = default_user_agent();
    bool is_active = true;
    bool notifies_on_anomalies = false;

    static int bounded_interval(int seconds);
    static int bounded_lookback(int hours);

    // Interval, lookback and user agent under the stored bounds; the URL as it is.
    DomainSettings bounded() const;

    bool operator==(const DomainSettings&) const = default;
};

// Trimmed of white space and line breaks; the default user agent when nothing is left.
QString normalized_user_agent(const QString& user_agent);
