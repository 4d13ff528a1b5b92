#include "model/RadixSort.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace {

constexpr int digit_bits = 11;
constexpr int passes = (64 + digit_bits - 1) / digit_bits;
constexpr std::uint64_t digit_mask = (std::uint64_t(1) << digit_bits) - 1;
constexpr std::uint64_t sign_bit = std::uint64_t(1) << 63;

// Maps a double to an unsigned key whose integer order is the numeric order.
std::uint64_t key_of(double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return (bits & sign_bit) ? ~bits : bits | sign_bit;
}

double value_of(std::uint64_t key)
{
    return std::bit_cast<double>((key & sign_bit) ? key & ~sign_bit : ~key);
}

} // namespace

void radix_sort(std::vector<double>& values)
{
    const std::size_t count = values.size();
    if (count < 2)
        return;
    std::vector<std::uint64_t> keys(count);
    std::vector<std::uint64_t> scratch(count);
    std::array<std::array<std::size_t, digit_mask + 1>, passes> histograms{};
    for (std::size_t i = 0; i < count; ++i) {
        keys[i] = key_of(values[i]);
        for (int pass = 0; pass < passes; ++pass)
            ++histograms[pass][(keys[i] >> (pass * digit_bits)) & digit_mask];
    }

    for (int pass = 0; pass < passes; ++pass) {
        auto& histogram = histograms[pass];
        // A digit that every key shares moves nothing.
        if (histogram[(keys[0] >> (pass * digit_bits)) & digit_mask] == count)
            continue;
        std::size_t offset = 0;
        for (std::size_t& bucket : histogram) {
            const std::size_t size = bucket;
            bucket = offset;
            offset += size;
        }
        for (const std::uint64_t key : keys)
            scratch[histogram[(key >> (pass * digit_bits)) & digit_mask]++] = key;
        keys.swap(scratch);
    }

    for (std::size_t i = 0; i < count; ++i)
        values[i] = value_of(keys[i]);
}
