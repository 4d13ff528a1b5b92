#pragma once

#include <QString>
#include <QUuid>

#include <optional>

// One desktop notification, shown at once.
struct NotificationRequest {
    // Unique per posting, so two postings are two notifications.
    QString identifier;
    QString title;
    // Plain text; a sink escapes it where the desktop reads markup.
    QString body;
    bool plays_default_sound = true;
    // The domain it is about: clicking the notification shows that domain.
    std::optional<QUuid> domain_id;
};
