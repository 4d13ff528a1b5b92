#pragma once

#include "measurement/NotificationSink.h"

#include <vector>

// Notifications a test can read back.
class RecordingNotificationSink final : public NotificationSink {
public:
    void post(const NotificationRequest& request) override { posted.push_back(request); }
    std::vector<NotificationRequest> posted;
};
