#include "hosting/IPNetwork.h"

#include <QList>

#include <arpa/inet.h>
#include <limits>

namespace {

// Splits once at the first separator that leaves a non-empty piece before it;
// empty pieces are dropped.
QList<QStringView> split_once(QStringView text, QChar separator)
{
    QList<QStringView> pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != separator)
            continue;
        if (i > start)
            pieces.append(text.sliced(start, i - start));
        start = i + 1;
        if (pieces.size() == 1)
            break;
    }
    if (start < text.size())
        pieces.append(text.sliced(start));
    return pieces;
}

std::optional<qint64> parse_integer(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::optional<QByteArray> parse_address(QStringView text)
{
    const QByteArray c_text = text.toUtf8();
    QByteArray bytes(4, '\0');
    if (inet_pton(AF_INET, c_text.constData(), bytes.data()) == 1)
        return bytes;
    bytes.resize(16);
    if (inet_pton(AF_INET6, c_text.constData(), bytes.data()) == 1)
        return bytes;
    return std::nullopt;
}

} // namespace

std::optional<IPNetwork> IPNetwork::from_cidr(QStringView cidr)
{
    const QList<QStringView> pieces = split_once(cidr, u'/');
    if (pieces.size() != 2)
        return std::nullopt;
    const std::optional<qint64> prefix_length = parse_integer(pieces[1]);
    if (!prefix_length)
        return std::nullopt;
    std::optional<QByteArray> bytes = parse_address(pieces[0]);
    if (!bytes)
        return std::nullopt;
    return IPNetwork{*std::move(bytes), *prefix_length};
}

bool IPNetwork::contains(QByteArrayView address) const
{
    if (address.size() != bytes.size())
        return false;
    if (prefix_length < 0 || prefix_length > 8 * bytes.size())
        return false;
    const qsizetype whole_bytes = qsizetype(prefix_length / 8);
    if (QByteArrayView(bytes).first(whole_bytes) != address.first(whole_bytes))
        return false;
    const int rest = int(prefix_length % 8);
    if (rest == 0)
        return true;
    const auto mask = quint8(0xFF << (8 - rest));
    return (quint8(bytes[whole_bytes]) & mask) == (quint8(address[whole_bytes]) & mask);
}
