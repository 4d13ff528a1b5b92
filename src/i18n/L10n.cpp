#include "i18n/L10n.h"

#include "i18n/Preferences.h"

#include <QLocale>
#include <QMutex>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

namespace L10n {

namespace {

QString app_language_key()
{
    return QString::fromLatin1(Preferences::app_language_key);
}

QString count(qint64 n, QStringView unit)
{
    QString result = QString::number(n);
    result += u' ';
    result += unit;
    return result;
}

// Whole hours, truncated toward zero; NaN counts as none and huge values saturate,
// since converting an out-of-range double to an integer is undefined.
qint64 whole_hours(double seconds)
{
    const double hours = std::trunc(seconds / 3600.0);
    if (std::isnan(hours))
        return 0;
    constexpr auto max_hours = static_cast<double>(std::numeric_limits<qint64>::max() / 2);
    if (hours >= max_hours)
        return static_cast<qint64>(max_hours);
    if (hours <= -max_hours)
        return -static_cast<qint64>(max_hours);
    return static_cast<qint64>(hours);
}

} // namespace

AppLanguage selected_language()
{
    // Every text asks, so the choice is read from the file only after a write:
    // painting a table row must not open the preferences each time.
    static QMutex mutex;
    static std::optional<std::pair<quint64, AppLanguage>> cached;
    const QMutexLocker lock(&mutex);
    const quint64 generation = Preferences::generation();
    if (!cached || cached->first != generation) {
        cached = std::pair(generation, app_language_from_raw_value(
                                           Preferences::value(app_language_key()).toString()));
    }
    return cached->second;
}

void set_selected_language(AppLanguage language)
{
    Preferences::set_value(app_language_key(), app_language_raw_value(language));
}

QStringList system_preferred_languages()
{
    return QLocale::system().uiLanguages();
}

bool uses_dutch(AppLanguage choice, const QStringList& preferred_languages)
{
    switch (choice) {
    case AppLanguage::dutch:
        return true;
    case AppLanguage::english:
        return false;
    case AppLanguage::system:
        break;
    }
    if (preferred_languages.isEmpty())
        return false;
    return preferred_languages.constFirst().toLower().startsWith(u"nl");
}

bool uses_dutch()
{
    const AppLanguage choice = selected_language();
    // Only the system choice needs the locale environment.
    if (choice != AppLanguage::system)
        return uses_dutch(choice, {});
    return uses_dutch(choice, system_preferred_languages());
}

QString text(QStringView en, QStringView nl)
{
    return (uses_dutch() ? nl : en).toString();
}

QString seconds(qint64 n)
{
    return count(n, text(u"seconds", u"seconden"));
}

QString hours(qint64 n)
{
    return count(n, text(u"hours", u"uur"));
}

QString monitoring_duration(double seconds)
{
    const qint64 hours = whole_hours(seconds);
    if (hours < 1)
        return text(u"< 1 hour", u"< 1 uur");
    if (hours > 23) {
        const qint64 days = hours / 24;
        if (days == 1)
            return text(u"1 day", u"1 dag");
        return count(days, text(u"days", u"dagen"));
    }
    if (hours == 1)
        return text(u"1 hour", u"1 uur");
    return L10n::hours(hours);
}

QString calls(qint64 n)
{
    return n == 1 ? QStringLiteral("1 call") : count(n, u"calls");
}

QString disturbances(qint64 n)
{
    if (n == 1)
        return text(u"1 disturbance", u"1 verstoring");
    return count(n, text(u"disturbances", u"verstoringen"));
}

QString system_error(int error_number)
{
    // What a file can meet when it is written; the C library's own texts follow
    // the process locale, not the chosen language.
    static const std::pair<int, const char16_t*> dutch[] = {
        {ENOSPC, u"Geen ruimte meer op het apparaat"},
        {EDQUOT, u"Schijfquotum overschreden"},
        {EACCES, u"Toegang geweigerd"},
        {EPERM, u"Bewerking niet toegestaan"},
        {EROFS, u"Alleen-lezen bestandssysteem"},
        {EIO, u"Invoer-/uitvoerfout"},
        {ENOENT, u"Bestand of map bestaat niet"},
        {ENOTDIR, u"Is geen map"},
        {EISDIR, u"Is een map"},
        {ENAMETOOLONG, u"Bestandsnaam is te lang"},
        {EFBIG, u"Bestand is te groot"},
        {EMFILE, u"Te veel open bestanden"},
    };
    if (uses_dutch()) {
        for (const auto& [number, message] : dutch) {
            if (number == error_number)
                return QString::fromUtf16(message);
        }
    }
    return QString::fromLocal8Bit(std::strerror(error_number));
}

} // namespace L10n
