#pragma once
// Comparing and finding byte strings with ASCII letter case folded: the
// letters A-Z equal a-z, every other byte must match exactly. Finding runs in
// time linear in the text length whatever the pattern.

#include <cstddef>
#include <cstdint>

namespace varnex {

inline constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// Whether the `count` bytes at `a` and `b` are equal with letter case folded.
bool FoldedEqual(const std::uint8_t* a, const std::uint8_t* b, std::size_t count);

// The first position at which `pattern` occurs in `text`, or kNotFound. An
// empty pattern occurs at 0.
std::size_t FoldedFind(const std::uint8_t* text, std::size_t text_length, const std::uint8_t* pattern,
                       std::size_t pattern_length);

}  // namespace varnex
