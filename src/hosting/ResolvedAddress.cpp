#include "hosting/ResolvedAddress.h"

#include "hosting/IPNetwork.h"

#include <QList>

#include <arpa/inet.h>
#include <sys/socket.h>

namespace {

std::optional<QByteArray> address_bytes(int family, const QByteArray& text)
{
    QByteArray bytes(family == AF_INET ? 4 : 16, '\0');
    if (inet_pton(family, text.constData(), bytes.data()) != 1)
        return std::nullopt;
    return bytes;
}

const QList<IPNetwork>& special_use_networks()
{
    // The IANA special-purpose registries, plus multicast and the reserved 240/4.
    static const QList<IPNetwork> networks = [] {
        QList<IPNetwork> parsed;
        for (const char* cidr : {
                 "0.0.0.0/8",      "10.0.0.0/8",     "100.64.0.0/10",  "127.0.0.0/8",
                 "169.254.0.0/16", "172.16.0.0/12",  "192.0.0.0/24",   "192.0.2.0/24",
                 "192.88.99.0/24", "192.168.0.0/16", "198.18.0.0/15",  "198.51.100.0/24",
                 "203.0.113.0/24", "224.0.0.0/4",    "240.0.0.0/4",    "::/127",
                 "::ffff:0:0/96",  "64:ff9b::/96",   "64:ff9b:1::/48", "100::/64",
                 "2001::/23",      "2001:db8::/32",  "2002::/16",      "3fff::/20",
                 "5f00::/16",      "fc00::/7",       "fe80::/10",      "fec0::/10",
                 "ff00::/8",
             })
            parsed.append(*IPNetwork::from_cidr(QString::fromLatin1(cidr)));
        return parsed;
    }();
    return networks;
}

} // namespace

QString ResolvedAddress::range_key() const
{
    const auto byte = [this](int i) { return uint(quint8(bytes[i])); };
    if (family == AF_INET && bytes.size() == 4)
        return QStringLiteral("%1.%2.%3.0/24").arg(byte(0)).arg(byte(1)).arg(byte(2));
    if (bytes.size() == 16) {
        const auto group = [&](int i) {
            return QStringLiteral("%1").arg(byte(i) << 8 | byte(i + 1), 4, 16, QLatin1Char('0'));
        };
        return group(0) + u':' + group(2) + u':' + group(4) + QStringLiteral("::/48");
    }
    return text;
}

bool ResolvedAddress::is_special_use() const
{
    const QList<IPNetwork>& networks = special_use_networks();
    return std::any_of(networks.cbegin(), networks.cend(),
                       [this](const IPNetwork& network) { return network.contains(bytes); });
}

std::optional<ResolvedAddress> ResolvedAddress::from_info(const addrinfo& info)
{
    if (info.ai_addr == nullptr)
        return std::nullopt;
    if (info.ai_family != AF_INET && info.ai_family != AF_INET6)
        return std::nullopt;
    char host[NI_MAXHOST] = {};
    if (getnameinfo(info.ai_addr, info.ai_addrlen, host, sizeof host, nullptr, 0, NI_NUMERICHOST) !=
        0)
        return std::nullopt;
    host[sizeof host - 1] = '\0';
    const QByteArray raw(host);
    std::optional<QByteArray> bytes = address_bytes(info.ai_family, raw);
    if (!bytes)
        return std::nullopt;
    return ResolvedAddress{info.ai_family, *std::move(bytes), QString::fromUtf8(raw)};
}

std::optional<ResolvedAddress> ResolvedAddress::from_text(const QString& text)
{
    const QByteArray raw = text.toUtf8();
    for (const int family : {AF_INET, AF_INET6}) {
        std::optional<QByteArray> bytes = address_bytes(family, raw);
        if (!bytes)
            continue;
        char canonical[INET6_ADDRSTRLEN] = {};
        if (inet_ntop(family, bytes->constData(), canonical, sizeof canonical) == nullptr)
            return std::nullopt;
        return ResolvedAddress{family, *std::move(bytes), QString::fromLatin1(canonical)};
    }
    return std::nullopt;
}
