#include "DomainArgument.h"

#include "i18n/TerminalText.h"
#include "model/DomainHost.h"

#include <QUuid>

namespace {

QString describe(const QList<MonitoredDomain>& candidates)
{
    QStringList lines;
    for (const MonitoredDomain& domain : candidates) {
        lines.append(QStringLiteral("  %1  %2%3")
                         .arg(domain.id.toString(QUuid::WithoutBraces).toUpper(),
                              TerminalText::printable(domain.url_string),
                              domain.is_archived ? QStringLiteral(" (archived)") : QString()));
    }
    return lines.join(QLatin1Char('\n'));
}

QString without_trailing_slash(QString text)
{
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return text;
}

} // namespace

Expected<MonitoredDomain, QString> find_domain(const QList<MonitoredDomain>& domains,
                                               const QString& argument)
{
    const QString wanted = argument.trimmed();
    if (wanted.isEmpty())
        return QStringLiteral("no domain given");

    const QUuid id = QUuid::fromString(wanted);
    for (const MonitoredDomain& domain : domains) {
        if (!id.isNull() && domain.id == id)
            return domain;
    }
    QList<MonitoredDomain> by_url;
    QList<MonitoredDomain> by_host;
    for (const MonitoredDomain& domain : domains) {
        if (without_trailing_slash(domain.url_string)
                .compare(without_trailing_slash(wanted), Qt::CaseInsensitive) == 0)
            by_url.append(domain);
        if (host_key(domain.url_string) == wanted.toLower())
            by_host.append(domain);
    }
    if (by_url.size() == 1)
        return by_url.first();
    if (by_url.isEmpty() && by_host.size() == 1)
        return by_host.first();

    const QList<MonitoredDomain>& candidates = by_url.isEmpty() ? by_host : by_url;
    if (candidates.isEmpty())
        return QStringLiteral("no domain matches \"%1\"").arg(TerminalText::printable(wanted));
    return QStringLiteral("\"%1\" matches %2 domains; name one by its id or URL:\n%3")
        .arg(TerminalText::printable(wanted))
        .arg(candidates.size())
        .arg(describe(candidates));
}
