#pragma once

// Qt's own texts (standard buttons such as "Cancel", the file dialog, the
// context menus of text fields) in the chosen language, from the catalogue of
// Debian's qt6-translations-l10n.
namespace QtTranslations {

// Installs Qt's Dutch catalogue on the application when Dutch applies and
// removes it otherwise. Returns whether the catalogue is installed (false in
// English, or when the package is missing: Qt's texts then stay English).
bool apply();

} // namespace QtTranslations
