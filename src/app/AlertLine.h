#pragma once

#include "model/DomainAlert.h"

#include <QString>

// What `tessary monitor` prints when a domain goes down or comes back: the local
// time of the measurement, then the notification's text, as in
//   "12/6/26, 11:41:11 PM  example.com is down: HTTP status 503"
//   "12/6/26, 11:47:02 PM  example.com is up again after 6 min"
// Control characters of a site's error text are shown as placeholders.
QString alert_line(const DomainAlert& alert);
