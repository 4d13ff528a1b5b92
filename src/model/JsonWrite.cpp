#include "model/JsonWrite.h"

std::array<char, 36> JsonWrite::uuid_text(const QUuid& id)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const QByteArray bytes = id.toRfc4122();
    std::array<char, 36> text{};
    size_t out = 0;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text[out++] = '-';
        const auto byte = uchar(bytes[i]);
        text[out++] = digits[byte >> 4];
        text[out++] = digits[byte & 0xF];
    }
    return text;
}
