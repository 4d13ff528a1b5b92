#include "model/JsonWrite.h"

#include <rapidjson/internal/dtoa.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";

char* write_hex(char* out, quint64 value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = hex_digits[value & 0xF];
        value >>= 4;
    }
    return out + digits;
}

// Writes `value` (below 10^16) in decimal; returns the end.
char* write_decimal(char* out, quint64 value)
{
    char reversed[20];
    int count = 0;
    do {
        reversed[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        *out++ = reversed[--count];
    return out;
}

thread_local QByteArray utf8_buffer;

} // namespace

std::array<char, 36> JsonWrite::uuid_text(const QUuid& id)
{
    std::array<char, 36> text{};
    char* out = write_hex(text.data(), id.data1, 8);
    *out++ = '-';
    out = write_hex(out, id.data2, 4);
    *out++ = '-';
    out = write_hex(out, id.data3, 4);
    *out++ = '-';
    out = write_hex(out, id.data4[0], 2);
    out = write_hex(out, id.data4[1], 2);
    *out++ = '-';
    for (int i = 2; i < 8; ++i)
        out = write_hex(out, id.data4[i], 2);
    return text;
}

int JsonWrite::number_text(double value, char (&buffer)[32])
{
    // A whole number of microseconds prints as "I.FFFFFF" with trailing zeros
    // dropped: the decimal parses back to the nearest double of I.FFFFFF, which is
    // `value` because value == scaled / 1e6 in correctly rounded division.
    const double scaled = std::round(value * 1e6);
    if (std::abs(scaled) < 1e15 && scaled / 1e6 == value) {
        char* out = buffer;
        auto micros = quint64(std::abs(scaled));
        if (scaled < 0)
            *out++ = '-';
        out = write_decimal(out, micros / 1'000'000);
        *out++ = '.';
        char fraction[6];
        quint64 rest = micros % 1'000'000;
        for (int i = 5; i >= 0; --i) {
            fraction[i] = char('0' + rest % 10);
            rest /= 10;
        }
        int digits = 6;
        while (digits > 1 && fraction[digits - 1] == '0')
            --digits;
        std::copy(fraction, fraction + digits, out);
        return int(out + digits - buffer);
    }
    return int(rapidjson::internal::dtoa(value, buffer) - buffer);
}

std::string_view JsonWrite::utf8(QStringView text)
{
    const qsizetype length = text.size();
    // Plain ASCII, by far the most common, needs no encoder.
    const char16_t* units = text.utf16();
    bool ascii = true;
    for (qsizetype i = 0; i < length && ascii; ++i)
        ascii = units[i] < 0x80;
    if (ascii) {
        utf8_buffer.resize(length);
        char* out = utf8_buffer.data();
        for (qsizetype i = 0; i < length; ++i)
            out[i] = char(units[i]);
        return {out, size_t(length)};
    }
    utf8_buffer = text.toUtf8();
    return {utf8_buffer.constData(), size_t(utf8_buffer.size())};
}
