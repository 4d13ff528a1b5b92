#pragma once

#include "i18n/AppLanguage.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// Chooses between the English and Dutch text of a pair. The choice is read from
// the preferences on every call, so a change applies to the next text produced.
namespace L10n {

AppLanguage selected_language();
void set_selected_language(AppLanguage language);

// The system's preferred languages, most preferred first (from the locale environment).
QStringList system_preferred_languages();

// The resolution rule: an explicit choice wins; `system` means Dutch when the
// first preferred language starts with "nl" (any regional variant).
bool uses_dutch(AppLanguage choice, const QStringList& preferred_languages);
bool uses_dutch();

QString text(QStringView en, QStringView nl);

QString seconds(qint64 n);
QString hours(qint64 n);
QString monitoring_duration(double seconds);
QString calls(qint64 n);
QString disturbances(qint64 n);

// The text of a system error number (errno) in the current language: Dutch for
// the errors a file write meets, the C library's text otherwise.
QString system_error(int error_number);

} // namespace L10n
