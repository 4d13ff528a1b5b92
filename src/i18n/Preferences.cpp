#include "i18n/Preferences.h"

#include <QSettings>

#include <atomic>

namespace Preferences {

namespace {

std::atomic<quint64> writes{0};

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
    ++writes;
}

void remove(const QString& key)
{
    QSettings store = open_store();
    store.remove(key);
    ++writes;
}

quint64 generation()
{
    return writes.load();
}

} // namespace Preferences
