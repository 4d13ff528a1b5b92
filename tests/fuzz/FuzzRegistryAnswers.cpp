// What the registries send: bootstrap files, RDAP answers and the profile cache
// are read without crashing whatever they hold.
#include "hosting/HostingProfilesJson.h"
#include "hosting/RDAPBootstrap.h"
#include "hosting/RDAPResponse.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)RDAPResponse::read(text);
    (void)RDAPBootstrap::decode(text);
    (void)HostingProfilesJson::decode(text);
    return 0;
}
