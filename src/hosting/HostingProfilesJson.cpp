#include "hosting/HostingProfilesJson.h"

#include "model/JsonAssign.h"
#include "model/JsonRead.h"
#include "model/JsonWrite.h"

#include <QFile>

namespace {

template <typename Writer>
void write_profile(Writer& writer, const HostingProviderProfile& p)
{
    writer.StartObject();
    HostingProfilesJson::write_members(writer, p);
    writer.EndObject();
}

constexpr std::string_view required_keys[] = {"host", "ip_address", "range_key", "provider_name",
                                              "updated_at"};

std::optional<DecodeError> read_member(HostingProviderProfile& p, std::string_view key,
                                       const rapidjson::Value& v, const JsonPath& field)
{
    if (key == "host")
        return assign(p.host, JsonRead::string(v, field));
    if (key == "ip_address")
        return assign(p.ip_address, JsonRead::string(v, field));
    if (key == "range_key")
        return assign(p.range_key, JsonRead::string(v, field));
    if (key == "network_range")
        return assign_optional(p.network_range, v, field, JsonRead::string);
    if (key == "provider_name")
        return assign(p.provider_name, JsonRead::string(v, field));
    if (key == "updated_at")
        return assign(p.updated_at, JsonRead::instant(v, field));
    return std::nullopt;
}

DecodeResult<HostingProviderProfile> read_profile(const rapidjson::Value& value,
                                                  const JsonPath& path)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "a profile object");
    for (const std::string_view key : required_keys) {
        if (!value.HasMember(rapidjson::StringRef(key.data(), key.size())))
            return JsonRead::missing_key(path, key);
    }
    HostingProviderProfile profile;
    for (const auto& member : value.GetObject()) {
        const std::string_view key = JsonRead::key_of(member);
        if (auto error = read_member(profile, key, member.value, path.key(key)))
            return *std::move(error);
    }
    return profile;
}

DecodeResult<HostingProfilesJson::ProfileMap> read_map(const rapidjson::Value& value,
                                                       const JsonPath& path)
{
    if (!value.IsObject())
        return JsonRead::wrong_type(path, "an object of profiles");
    HostingProfilesJson::ProfileMap profiles;
    for (const auto& member : value.GetObject()) {
        const std::string_view key = JsonRead::key_of(member);
        auto profile = read_profile(member.value, path.key(key));
        if (!profile)
            return profile.error();
        profiles.insert(QString::fromUtf8(key.data(), qsizetype(key.size())),
                        std::move(profile).value());
    }
    return profiles;
}

} // namespace

QByteArray HostingProfilesJson::encode_profile(const HostingProviderProfile& profile)
{
    return JsonWrite::compact_text([&](auto& writer) { write_profile(writer, profile); });
}

DecodeResult<HostingProviderProfile> HostingProfilesJson::decode_profile(QByteArrayView text)
{
    return JsonRead::decode_text(text, read_profile);
}

QByteArray HostingProfilesJson::encode(const ProfileMap& profiles)
{
    // QMap's order is that of UTF-16 code units; sorting the UTF-8 bytes of the
    // keys gives the same order for every host name short of astral characters.
    return JsonWrite::compact_text([&](auto& writer) {
        writer.StartObject();
        for (auto entry = profiles.cbegin(); entry != profiles.cend(); ++entry) {
            JsonWrite::key(writer, JsonWrite::utf8(entry.key()));
            write_profile(writer, entry.value());
        }
        writer.EndObject();
    });
}

DecodeResult<HostingProfilesJson::ProfileMap> HostingProfilesJson::decode(QByteArrayView text)
{
    return JsonRead::decode_text(text, read_map);
}

HostingProfilesJson::FileContents HostingProfilesJson::read_file(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {FileState::unusable, {}, file.errorString()};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {FileState::unusable, {}, file.errorString()};
    auto profiles = decode(bytes);
    if (!profiles)
        return {FileState::unusable, {}, profiles.error().to_string()};
    return {FileState::loaded, std::move(profiles).value(), {}};
}
