#include "ui/QtTranslations.h"

#include "i18n/L10n.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

bool QtTranslations::apply()
{
    // One translator for the application's lifetime, owned by it.
    static QPointer<QTranslator> translator;
    if (translator == nullptr)
        translator = new QTranslator(QCoreApplication::instance());
    QCoreApplication::removeTranslator(translator);
    if (!L10n::uses_dutch())
        return false;
    if (translator->isEmpty() &&
        !translator->load(QStringLiteral("qtbase_nl"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(translator);
}
