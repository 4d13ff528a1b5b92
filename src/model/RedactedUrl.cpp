#include "model/RedactedUrl.h"

#include <QRegularExpression>

#include <utility>

namespace {

// "name=value&flag" → "name=…&flag": a part without "=" is a name alone.
QString redacted_query(QStringView query)
{
    QString result;
    bool first = true;
    for (const QStringView part : query.tokenize(u'&')) {
        if (!std::exchange(first, false))
            result += u'&';
        const qsizetype equals = part.indexOf(u'=');
        result += equals < 0 ? part : part.first(equals + 1);
        if (equals >= 0)
            result += QChar(0x2026); // …
    }
    return result;
}

} // namespace

QString redacted_url(QStringView url)
{
    const qsizetype fragment = url.indexOf(u'#');
    const QStringView without_fragment = fragment < 0 ? url : url.first(fragment);
    const qsizetype query = without_fragment.indexOf(u'?');
    QStringView rest = query < 0 ? without_fragment : without_fragment.first(query);

    QString result;
    // The authority follows the first "//" before any other slash.
    const qsizetype authority = rest.indexOf(u"//");
    if (authority >= 0 && !rest.first(authority).contains(u'/')) {
        const qsizetype start = authority + 2;
        const qsizetype path = rest.indexOf(u'/', start);
        const QStringView authority_text =
            rest.sliced(start, (path < 0 ? rest.size() : path) - start);
        const qsizetype at = authority_text.lastIndexOf(u'@');
        result += rest.first(start);
        rest = rest.sliced(start + at + 1);
    }
    result += rest;
    if (query >= 0)
        result += u'?' + redacted_query(without_fragment.sliced(query + 1));
    return result;
}

QString redacted_urls_in(QStringView text)
{
    static const QRegularExpression url(QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://\\S*"));
    QString result;
    qsizetype copied = 0;
    for (const QRegularExpressionMatch& match : url.globalMatch(text)) {
        result += text.sliced(copied, match.capturedStart() - copied);
        result += redacted_url(match.capturedView());
        copied = match.capturedEnd();
    }
    result += text.sliced(copied);
    return result;
}
