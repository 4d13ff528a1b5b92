#pragma once

#include "hosting/HostingProviderProfile.h"
#include "model/Expected.h"
#include "model/JsonWrite.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>

// The file form of the provider profiles: one compact object from host key to
// profile, keys sorted, `network_range` left out when absent.
namespace HostingProfilesJson {

// The six members of a profile, in sorted key order, without the braces around
// them, so a caller can add members that sort before "host".
template <typename Writer>
void write_members(Writer& writer, const HostingProviderProfile& p)
{
    JsonWrite::key(writer, "host");
    JsonWrite::string(writer, p.host);
    JsonWrite::key(writer, "ip_address");
    JsonWrite::string(writer, p.ip_address);
    JsonWrite::optional_string(writer, "network_range", p.network_range);
    JsonWrite::key(writer, "provider_name");
    JsonWrite::string(writer, p.provider_name);
    JsonWrite::key(writer, "range_key");
    JsonWrite::string(writer, p.range_key);
    JsonWrite::key(writer, "updated_at");
    JsonWrite::instant(writer, p.updated_at);
}

using ProfileMap = QMap<QString, HostingProviderProfile>;

QByteArray encode_profile(const HostingProviderProfile& profile);
DecodeResult<HostingProviderProfile> decode_profile(QByteArrayView text);

QByteArray encode(const ProfileMap& profiles);
// Every profile must decode, or the file is of no use.
DecodeResult<ProfileMap> decode(QByteArrayView text);

enum class FileState { absent, loaded, unusable };

struct FileContents {
    FileState state = FileState::absent;
    // Empty unless loaded.
    ProfileMap profiles;
    // Why an unusable file could not be used.
    QString problem;
};

FileContents read_file(const QString& path);

} // namespace HostingProfilesJson
