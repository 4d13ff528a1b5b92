#pragma once

#include <QString>

// The host of a domain's URL, or the whole `url_string` when it does not parse
// as a URL with a host. It names a domain in lists, file names, notifications
// and sort order.
QString domain_host(const QString& url_string);

// The host in lower case: the key of the provider profiles.
QString host_key(const QString& url_string);
