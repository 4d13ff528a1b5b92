#include "hosting/RDAPResponse.h"

#include "hosting/ProviderName.h"
#include "model/JsonRead.h"

#include <QByteArray>
#include <QStringList>

#include <arpa/inet.h>
#include <sys/socket.h>

namespace {

std::optional<QString> string_member(const rapidjson::Value& object, const char* key)
{
    const auto member = object.FindMember(key);
    if (member == object.MemberEnd() || !member->value.IsString())
        return std::nullopt;
    return QString::fromUtf8(member->value.GetString(), qsizetype(member->value.GetStringLength()));
}

// The cleaned name, or none when the text is empty or cleans to nothing.
std::optional<QString> usable_name(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    QString cleaned = clean_provider_name(*text);
    if (cleaned.isEmpty())
        return std::nullopt;
    return cleaned;
}

bool is_contact_role(const rapidjson::Value& role)
{
    if (!role.IsString())
        return false;
    const QString name =
        QString::fromUtf8(role.GetString(), qsizetype(role.GetStringLength())).toLower();
    return name == u"abuse" || name == u"technical" || name == u"administrative" ||
           name == u"noc" || name == u"billing";
}

bool all_objects(const rapidjson::Value& array)
{
    for (const rapidjson::Value& element : array.GetArray()) {
        if (!element.IsObject())
            return false;
    }
    return true;
}

struct RangeAddress {
    int family = AF_UNSPEC;
    QByteArray bytes;
};

// Decimal parts with any number of leading zeros, unlike inet_pton.
std::optional<QByteArray> padded_ipv4(QStringView text)
{
    const QList<QStringView> parts = text.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    QByteArray bytes;
    for (const QStringView part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        int value = 0;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 255)
            return std::nullopt;
        bytes.append(char(value));
    }
    return bytes;
}

std::optional<RangeAddress> range_address(QStringView text)
{
    text = text.trimmed();
    if (const qsizetype slash = text.indexOf(u'/'); slash >= 0)
        text = text.first(slash);
    if (text.contains(u':')) {
        QByteArray bytes(16, '\0');
        if (inet_pton(AF_INET6, text.toUtf8().constData(), bytes.data()) != 1)
            return std::nullopt;
        return RangeAddress{AF_INET6, bytes};
    }
    std::optional<QByteArray> bytes = padded_ipv4(text);
    if (!bytes)
        return std::nullopt;
    return RangeAddress{AF_INET, *std::move(bytes)};
}

QString address_text(const RangeAddress& address)
{
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(address.family, address.bytes.constData(), text, sizeof text);
    return QString::fromLatin1(text);
}

} // namespace

std::optional<RDAPResult> RDAPResponse::read(QByteArrayView body)
{
    rapidjson::Document document;
    if (JsonRead::parse(body, document) || !document.IsObject())
        return std::nullopt;
    std::optional<QString> name = provider_name(document);
    if (!name)
        return std::nullopt;
    return RDAPResult{*std::move(name), network_range(document)};
}

std::optional<QString> RDAPResponse::provider_name(const rapidjson::Value& network)
{
    if (!network.IsObject())
        return std::nullopt;
    const auto entities = network.FindMember("entities");
    if (entities != network.MemberEnd() && entities->value.IsArray() &&
        all_objects(entities->value)) {
        for (const rapidjson::Value& entity : entities->value.GetArray()) {
            if (is_contact_only(entity))
                continue;
            if (std::optional<QString> name = entity_name(entity))
                return name;
        }
    }
    if (std::optional<QString> name = usable_name(string_member(network, "name")))
        return name;
    return usable_name(string_member(network, "handle"));
}

std::optional<QString> RDAPResponse::entity_name(const rapidjson::Value& entity)
{
    if (!entity.IsObject())
        return std::nullopt;
    const auto vcard = entity.FindMember("vcardArray");
    if (vcard == entity.MemberEnd() || !vcard->value.IsArray() || vcard->value.Size() < 2)
        return std::nullopt;
    const rapidjson::Value& properties = vcard->value[1];
    if (!properties.IsArray())
        return std::nullopt;
    for (const rapidjson::Value& property : properties.GetArray()) {
        if (!property.IsArray())
            return std::nullopt;
    }
    for (const rapidjson::Value& property : properties.GetArray()) {
        if (property.Size() < 4 || !property[0].IsString() || !property[3].IsString())
            continue;
        const std::string_view kind(property[0].GetString(), property[0].GetStringLength());
        if (kind != "fn" && kind != "org")
            continue;
        const QString value =
            QString::fromUtf8(property[3].GetString(), qsizetype(property[3].GetStringLength()));
        if (std::optional<QString> name = usable_name(value))
            return name;
    }
    return std::nullopt;
}

bool RDAPResponse::is_contact_only(const rapidjson::Value& entity)
{
    if (!entity.IsObject())
        return false;
    const auto roles = entity.FindMember("roles");
    if (roles == entity.MemberEnd() || !roles->value.IsArray() || roles->value.Empty())
        return false;
    const auto list = roles->value.GetArray();
    return std::all_of(list.begin(), list.end(), is_contact_role);
}

std::optional<QString> RDAPResponse::network_range(const rapidjson::Value& network)
{
    if (!network.IsObject())
        return std::nullopt;
    const std::optional<QString> start_text = string_member(network, "startAddress");
    const std::optional<QString> end_text = string_member(network, "endAddress");
    if (!start_text || !end_text)
        return std::nullopt;
    const std::optional<RangeAddress> start = range_address(*start_text);
    const std::optional<RangeAddress> end = range_address(*end_text);
    if (!start || !end || start->family != end->family || start->bytes > end->bytes)
        return std::nullopt;
    return address_text(*start) + u'-' + address_text(*end);
}
