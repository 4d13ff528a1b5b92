#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The XDG autostart entry that starts Tessary into the tray at login:
// $XDG_CONFIG_HOME/autostart/tessary.desktop, running `tessary --hidden`.
namespace AutostartEntry {

QString path();
bool exists();

// Writes the entry (whole or not at all) or removes it; an error text when
// that failed.
std::optional<QString> set_enabled(bool enabled);

// The entry for `program`: "tessary" when that is what the search path finds,
// else the absolute path of the running program, so a build that is not
// installed starts too.
QByteArray contents(const QString& program);
QString program();

} // namespace AutostartEntry
