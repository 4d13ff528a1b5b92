#include "i18n/Preferences.h"

#include <QSettings>

namespace Preferences {

namespace {

// A fresh QSettings per call: Qt shares the underlying file between instances in
// one process, so a new instance always sees the latest write.
QSettings open_store()
{
    return QSettings(QStringLiteral("Tessary"), QStringLiteral("Tessary"));
}

} // namespace

QVariant value(const QString& key)
{
    const QSettings store = open_store();
    return store.value(key);
}

void set_value(const QString& key, const QVariant& value)
{
    QSettings store = open_store();
    store.setValue(key, value);
}

void remove(const QString& key)
{
    QSettings store = open_store();
    store.remove(key);
}

} // namespace Preferences
