#pragma once

#include <QString>
#include <QUrl>
#include <QUrlQuery>

// The web pages the window opens in the default browser.
namespace AppLinks {

inline QString author_name()
{
    return QStringLiteral("Tessary");
}

// The maker's donation page (Help > Buy Me a Coffee).
inline QUrl donation_page()
{
    return QUrl(QStringLiteral("https://www.buymeacoffee.com/tessary"));
}

// The product page of the footer credit, tagged with where the visit came from.
inline QUrl product_page()
{
    QUrl url(QStringLiteral("https://tessary.app/"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("utm_source"), QStringLiteral("tessary_app"));
    query.addQueryItem(QStringLiteral("utm_medium"), QStringLiteral("desktop_app"));
    query.addQueryItem(QStringLiteral("utm_campaign"), QStringLiteral("tessary"));
    query.addQueryItem(QStringLiteral("utm_content"), QStringLiteral("footer_credit"));
    url.setQuery(query);
    return url;
}

} // namespace AppLinks
