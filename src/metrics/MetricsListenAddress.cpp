#include "MetricsListenAddress.h"

#include <optional>

namespace {

std::optional<quint16> parse_port(const QString& text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    // toUInt takes a leading '+' and spaces; a port is digits only.
    for (const QChar c : text) {
        if (!c.isDigit())
            return std::nullopt;
    }
    if (!ok || port == 0 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

} // namespace

Expected<MetricsListenAddress, QString> MetricsListenAddress::parse(const QString& text)
{
    const QString usage =
        QStringLiteral("--metrics needs a port or an address and port, such as 9464, "
                       "127.0.0.1:9464 or [::]:9464; got \"%1\".")
            .arg(text);
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? QString() : text.left(colon);
    const std::optional<quint16> port = parse_port(colon < 0 ? text : text.mid(colon + 1));
    if (!port)
        return usage;
    if (host.isEmpty())
        return MetricsListenAddress{QHostAddress(QHostAddress::LocalHost), *port};

    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (bracketed)
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return usage; // an IPv6 address needs brackets to tell it from the port
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 && !bracketed)
        return MetricsListenAddress{QHostAddress(QHostAddress::LocalHost), *port};

    QHostAddress address;
    if (!address.setAddress(host) || host.contains(QLatin1Char('%')) ||
        (address.protocol() == QAbstractSocket::IPv6Protocol) != bracketed)
        return usage;
    return MetricsListenAddress{address, *port};
}

QString MetricsListenAddress::to_string() const
{
    if (address.protocol() == QAbstractSocket::IPv6Protocol)
        return QStringLiteral("[%1]:%2").arg(address.toString()).arg(port);
    return QStringLiteral("%1:%2").arg(address.toString()).arg(port);
}
