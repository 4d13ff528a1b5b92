#include "model/DomainHost.h"

#include <QUrl>

QString domain_host(const QString& url_string)
{
    const QUrl url(url_string, QUrl::StrictMode);
    const QString host = url.isValid() ? url.host() : QString();
    return host.isEmpty() ? url_string : host;
}

QString host_key(const QString& url_string)
{
    return domain_host(url_string).toLower();
}
