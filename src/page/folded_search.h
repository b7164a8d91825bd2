#pragma once
// Comparing and finding byte strings with ASCII letter case folded: the
// letters A-Z equal a-z, every other byte must match exactly. Finding runs in
// time linear in the text length whatever the pattern.

#include <cstddef>
#include <cstdint>

namespace varnex {

inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// The longest pattern FoldedFind and FoldedFindLinear accept (the longest
// data operand); a longer one is never found.
inline constexpr std::size_t kLongestFoldedPattern = 128;

// Whether the `count` bytes at `a` and `b` are equal with letter case folded.
bool FoldedEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t count);

// The first position at which `pattern` occurs in `text`, or kNotFound. An
// empty pattern occurs at 0. Fast on ordinary data: it looks only at places
// where two of the pattern's least common bytes both fit, and turns to
// FoldedFindLinear for stretches where such places stop paying.
std::size_t FoldedFind(const std::uint8_t* text, std::size_t text_length, const std::uint8_t* pattern,
                       std::size_t pattern_length);

// The same result by a prefix-table scan that reads each text byte once and
// never goes back: slower on ordinary data, but linear on any.
std::size_t FoldedFindLinear(const std::uint8_t* text, std::size_t text_length, const std::uint8_t* pattern,
                             std::size_t pattern_length);

}  // namespace varnex
