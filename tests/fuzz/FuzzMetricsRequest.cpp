// What a scraper, or anyone else who reaches the metrics port, sends: request
// heads are judged without crashing whatever they hold, and always get one of
// the answers the server knows.
#include "metrics/MetricsListenAddress.h"
#include "metrics/MetricsServer.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const bool loopback : {false, true}) {
        switch (MetricsServer::status_for(text, loopback)) {
        case 200:
        case 400:
        case 404:
        case 405:
        case 421:
        case 505:
            break;
        default:
            std::abort();
        }
    }
    (void)MetricsListenAddress::parse(QString::fromUtf8(text));
    return 0;
}
