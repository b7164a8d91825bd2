#include "change/byte_difference.h"

#include <bit>
#include <cstring>

namespace varnex {
namespace {

// memcmp tells only whether a stretch differs; stretches of these sizes keep
// its calls few where the data is equal and the word search short where not.
constexpr std::size_t kLargeStretch = 4096;
constexpr std::size_t kSmallStretch = 256;

std::size_t SkipEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t at, std::size_t count,
                      std::size_t stretch) {
    while (count - at >= stretch && std::memcmp(a + at, b + at, stretch) == 0) at += stretch;
    return at;
}

}  // namespace

std::size_t FirstDifference(const std::uint8_t* a, const std::uint8_t* b, std::size_t count) {
    std::size_t at = SkipEqual(a, b, 0, count, kLargeStretch);
    at = SkipEqual(a, b, at, count, kSmallStretch);
    for (; count - at >= sizeof(std::uint64_t); at += sizeof(std::uint64_t)) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + at, sizeof x);
        std::memcpy(&y, b + at, sizeof y);
        if (x == y) continue;
        // On a little-endian machine the lowest differing bit is in the first differing byte.
        if constexpr (std::endian::native == std::endian::little) return at + std::countr_zero(x ^ y) / 8;
        break;
    }
    while (at < count && a[at] == b[at]) ++at;
    return at;
}

bool DiffersOnlyInLetterCase(const std::uint8_t* a, const std::uint8_t* b, std::size_t count) {
    bool differs = false;
    for (std::size_t at = FirstDifference(a, b, count); at < count; at += 1 + FirstDifference(a + at + 1, b + at + 1, count - at - 1)) {
        const unsigned lower = a[at] | 0x20u;
        if ((a[at] ^ b[at]) != 0x20 || lower < 'a' || lower > 'z') return false;
        differs = true;
    }
    return differs;
}

}  // namespace varnex
