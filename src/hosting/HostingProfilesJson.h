#pragma once

#include "hosting/HostingProviderProfile.h"
#include "model/Expected.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>

// The file form of the provider profiles: one compact object from host key to
// profile, keys sorted, `network_range` left out when absent.
namespace HostingProfilesJson {

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
