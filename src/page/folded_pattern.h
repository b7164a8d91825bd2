#pragma once
// A search pattern prepared for matching with ASCII letter case folded.

#include <cstddef>
#include <cstdint>

#include "page/folded_search.h"

namespace varnex {

inline bool IsAsciiLetter(std::uint8_t byte) { return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'); }

// A text byte x matches pattern byte i when (x | mask[i]) == folded[i]. For a
// letter the mask is 0x20 and the folded byte its lower case, so x may be
// either case of it; for any other byte the mask is 0 and x must be that byte.
// Two pattern bytes match the same text bytes exactly when their folded bytes
// are equal.
struct FoldedPattern {
    std::uint8_t folded[kLongestFoldedPattern];
    std::uint8_t mask[kLongestFoldedPattern];
    std::size_t length;

    // `pattern_length` is at most kLongestFoldedPattern.
    FoldedPattern(const std::uint8_t* pattern, std::size_t pattern_length) : length(pattern_length) {
        for (std::size_t i = 0; i < length; ++i) {
            mask[i] = IsAsciiLetter(pattern[i]) ? 0x20 : 0x00;
            folded[i] = pattern[i] | mask[i];
        }
    }

    bool Matches(std::size_t index, std::uint8_t byte) const { return (byte | mask[index]) == folded[index]; }
};

// The first position at which `pattern` occurs in `text`, by the prefix-table
// scan (see FoldedFindLinear).
std::size_t FindFoldedLinear(const std::uint8_t* text, std::size_t text_length, const FoldedPattern& pattern);

}  // namespace varnex
