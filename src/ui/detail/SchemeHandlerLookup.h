#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Finds the desktop application that opens links of a URL scheme, the way
// `xdg-mime query default x-scheme-handler/<scheme>` does: the associations of
// the mimeapps.list files first, then the desktop database caches, then the
// user's own desktop files. Only an association whose desktop file is installed
// counts. Reads the XDG directories afresh on every call.
namespace SchemeHandlerLookup {

// The desktop file id (such as "nestory.desktop"), or none when no installed
// application handles the scheme.
std::optional<QString> find_handler(const QString& scheme);

// The folders searched, most important first (from the XDG environment).
QStringList mimeapps_list_files();
QStringList application_directories();

} // namespace SchemeHandlerLookup
