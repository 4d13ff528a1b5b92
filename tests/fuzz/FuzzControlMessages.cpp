// What a process on the control socket sends, or a holder answers: any line
// decodes without crashing, and whatever decodes encodes to a line that fits
// the bound and decodes to the same message.
#include "control/ControlMessage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray line(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto request = ControlMessage::decode_request(line)) {
        const QByteArray encoded = ControlMessage::encode(*request);
        if (encoded.size() <= ControlMessage::max_size &&
            ControlMessage::decode_request(encoded) != request)
            std::abort();
    }
    if (const auto answer = ControlMessage::decode_answer(line)) {
        const QByteArray encoded = ControlMessage::encode(*answer);
        if (encoded.size() > ControlMessage::max_size || !ControlMessage::decode_answer(encoded))
            std::abort();
    }
    return 0;
}
