#pragma once

#include <QString>

#include <array>

// The user's language choice, stored under "app_language" by its raw value.
enum class AppLanguage { system, english, dutch };

// Every case, in the order the Language menu lists them.
inline constexpr std::array<AppLanguage, 3> all_app_languages = {
    AppLanguage::system, AppLanguage::english, AppLanguage::dutch};

QString app_language_raw_value(AppLanguage language);

// Any value other than a known raw value reads as `system`.
AppLanguage app_language_from_raw_value(const QString& raw_value);

// The Language menu's title of a case, in the current language.
QString app_language_menu_title(AppLanguage language);
