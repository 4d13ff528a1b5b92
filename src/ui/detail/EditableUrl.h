#pragma once

#include <QString>

// How a URL is shown for editing and in the tables: the host without a leading
// "www.", then the percent-encoded path, the query and the fragment. Scheme,
// user, password and port are left out. Text that does not parse as a URL with
// a host (such as "-") is returned unchanged.
QString editable_url(const QString& text);
