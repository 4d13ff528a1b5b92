#include "hosting/RDAPBootstrap.h"

#include "hosting/IPNetwork.h"
#include "model/JsonRead.h"

namespace {

DecodeResult<QStringList> read_strings(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsArray())
        return JsonRead::wrong_type(path, "an array of strings");
    QStringList strings;
    strings.reserve(qsizetype(value.Size()));
    for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
        DecodeResult<QString> text = JsonRead::string(value[i], path.index(qsizetype(i)));
        if (!text)
            return text.error();
        strings.append(std::move(text).value());
    }
    return strings;
}

DecodeResult<RDAPBootstrap::Service> read_service(const rapidjson::Value& value,
                                                  const JsonPath& path)
{
    if (!value.IsArray())
        return JsonRead::wrong_type(path, "an array of string arrays");
    RDAPBootstrap::Service service;
    for (rapidjson::SizeType i = 0; i < value.Size(); ++i) {
        DecodeResult<QStringList> strings = read_strings(value[i], path.index(qsizetype(i)));
        if (!strings)
            return strings.error();
        service.append(std::move(strings).value());
    }
    return service;
}

DecodeResult<RDAPBootstrap> read_bootstrap(const rapidjson::Value& value, const JsonPath& path)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "a bootstrap object");
    const auto services = value.FindMember("services");
    if (services == value.MemberEnd())
        return JsonRead::missing_key(path, "services");
    const JsonPath services_path = path.key("services");
    if (!services->value.IsArray())
        return JsonRead::wrong_type(services_path, "an array of services");
    RDAPBootstrap bootstrap;
    for (rapidjson::SizeType i = 0; i < services->value.Size(); ++i) {
        DecodeResult<RDAPBootstrap::Service> service =
            read_service(services->value[i], services_path.index(qsizetype(i)));
        if (!service)
            return service.error();
        bootstrap.services.append(std::move(service).value());
    }
    return bootstrap;
}

std::optional<QUrl> server_url(const QStringList& urls)
{
    if (urls.isEmpty())
        return std::nullopt;
    QString text = urls.first();
    if (!text.endsWith(u'/'))
        text += u'/';
    QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"https" && scheme != u"http"))
        return std::nullopt;
    return url;
}

} // namespace

DecodeResult<RDAPBootstrap> RDAPBootstrap::decode(QByteArrayView text)
{
    return JsonRead::decode_text(text, read_bootstrap);
}

std::optional<QUrl> RDAPBootstrap::service_url(QByteArrayView address) const
{
    std::optional<QUrl> candidate;
    qint64 candidate_length = -1;
    for (const Service& service : services) {
        if (service.size() < 2)
            continue;
        for (const QString& cidr : service[0]) {
            const std::optional<IPNetwork> network = IPNetwork::from_cidr(cidr);
            if (!network || !network->contains(address))
                continue;
            if (candidate && candidate_length >= network->prefix_length)
                continue;
            std::optional<QUrl> url = server_url(service[1]);
            if (!url)
                continue;
            candidate = std::move(url);
            candidate_length = network->prefix_length;
        }
    }
    return candidate;
}
