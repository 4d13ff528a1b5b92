#pragma once

#include <QString>

// One desktop notification, shown at once.
struct NotificationRequest {
    // Unique per posting, so two postings are two notifications.
    QString identifier;
    QString title;
    // Plain text; a sink escapes it where the desktop reads markup.
    QString body;
    bool plays_default_sound = true;
};
