#pragma once

#include <QString>
#include <QVariant>
#include <QtGlobal>

// The per-user preference store: QSettings of organisation and application
// "Tessary" ($XDG_CONFIG_HOME/Tessary/Tessary.conf). Every call opens the store
// afresh, so a value written by one part of the program is seen by the next read
// anywhere, from any thread.
namespace Preferences {

inline constexpr auto app_language_key = "app_language";
inline constexpr auto measurement_history_columns_key = "measurement_history_columns";

QVariant value(const QString& key);
void set_value(const QString& key, const QVariant& value);
void remove(const QString& key);

// Counts the writes of this process, so a reader on a hot path can keep a value
// until the next write instead of reading the file again.
quint64 generation();

} // namespace Preferences
