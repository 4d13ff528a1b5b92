#include "model/UrlNormalizer.h"

namespace UrlNormalizer {

std::optional<QUrl> normalize_url(QStringView input)
{
    QString text = input.trimmed().toString();
    if (text.isEmpty())
        return std::nullopt;
    const QString lower = text.toLower();
    if (!lower.startsWith(u"http://") && !lower.startsWith(u"https://"))
        text.prepend(u"https://");

    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    url.setScheme(QStringLiteral("https"));
    QString host = url.host();
    if (host.startsWith(u"www.", Qt::CaseInsensitive)) {
        host.remove(0, 4);
        url.setHost(host);
    }
    if (url.host().isEmpty() || !url.isValid())
        return std::nullopt;
    return url;
}

QString absolute_string(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

QString url_key(const QString& input)
{
    if (const std::optional<QUrl> url = normalize_url(input))
        return absolute_string(*url).toLower();
    return input.toLower();
}

} // namespace UrlNormalizer
