#pragma once

#include "measurement/NotificationRequest.h"

// Where notifications go: the desktop's notification service, or a recorder in
// tests. Posting never blocks and never fails visibly; a notification that
// cannot be shown is dropped.
class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void post(const NotificationRequest& request) = 0;
};
