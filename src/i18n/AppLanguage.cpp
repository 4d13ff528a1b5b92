#include "i18n/AppLanguage.h"

#include "i18n/L10n.h"

using namespace Qt::StringLiterals;

QString app_language_raw_value(AppLanguage language)
{
    switch (language) {
    case AppLanguage::system:
        return u"system"_s;
    case AppLanguage::english:
        return u"english"_s;
    case AppLanguage::dutch:
        return u"dutch"_s;
    }
    return u"system"_s;
}

AppLanguage app_language_from_raw_value(const QString& raw_value)
{
    for (const AppLanguage language : all_app_languages) {
        if (raw_value == app_language_raw_value(language))
            return language;
    }
    return AppLanguage::system;
}

QString app_language_menu_title(AppLanguage language)
{
    switch (language) {
    case AppLanguage::system:
        return L10n::text(u"System Language", u"Systeemtaal");
    // Language names are written in their own language, whatever the current one.
    case AppLanguage::english:
        return u"English"_s;
    case AppLanguage::dutch:
        return u"Nederlands"_s;
    }
    return QString();
}
