#include "ui/detail/EditableUrl.h"

#include <QUrl>

QString editable_url(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return text;
    QString host = url.host(QUrl::FullyDecoded);
    if (host.isEmpty())
        return text;
    if (host.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        host.remove(0, 4);
    // An IPv6 literal keeps its brackets, so the path cannot be read as part of it.
    QString result = host.contains(u':') ? u'[' + host + u']' : host;
    result += url.path(QUrl::FullyEncoded);
    const QString query = url.query(QUrl::FullyDecoded);
    if (!query.isEmpty()) {
        result += u'?';
        result += query;
    }
    const QString fragment = url.fragment(QUrl::FullyDecoded);
    if (!fragment.isEmpty()) {
        result += u'#';
        result += fragment;
    }
    return result;
}
