#pragma once

#include <QString>
#include <QUuid>

// The remembered settings of a deleted domain (stored) or of an archived one
// (made on the fly), offered again by the add-domain form.
struct DomainRestoreSuggestion {
    QUuid id;
    QString url_string;
    int interval_seconds = 0;
    int max_history_hours = 0;
    QString user_agent;
    bool is_active = false;
    bool notifies_on_anomalies = false;
    bool is_archived = false;

    bool operator==(const DomainRestoreSuggestion&) const = default;
};

size_t qHash(const DomainRestoreSuggestion& suggestion, size_t seed = 0);
