#include "hosting/ProviderName.h"

#include <QStringList>

namespace {

QStringList words_of(QStringView name)
{
    QString spaced = name.toString();
    for (QChar& c : spaced) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            c = u' ';
    }
    return spaced.split(u' ', Qt::SkipEmptyParts);
}

bool is_dropped_suffix(QStringView word)
{
    while (!word.isEmpty() && (word.front() == u'.' || word.front() == u','))
        word = word.sliced(1);
    while (!word.isEmpty() && (word.back() == u'.' || word.back() == u','))
        word.chop(1);
    const QString lower = word.toString().toLower();
    // "b.v." can never survive the trimming; kept for the list's sake.
    return lower == u"admin" || lower == u"b.v" || lower == u"b.v." || lower == u"bv" ||
           lower == u"gbml" || lower == u"operations";
}

QStringList without_dropped_suffixes(QStringList words)
{
    while (!words.isEmpty() && is_dropped_suffix(words.constLast()))
        words.removeLast();
    return words;
}

} // namespace

QString clean_provider_name(QStringView name)
{
    return without_dropped_suffixes(words_of(name)).join(u' ');
}

QString display_provider_name(QStringView name)
{
    const QStringList words = words_of(name);
    const QStringList kept = without_dropped_suffixes(words);
    return (kept.isEmpty() ? words : kept).join(u' ');
}
