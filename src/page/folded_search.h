#pragma once
// Finding a byte string in a page with ASCII letter case folded, in time
// linear in the page length whatever the pattern.

#include <cstddef>
#include <cstdint>

namespace varnex {

// Returns the first position p >= 0 where `pattern` (length `pattern_length`,
// at most 128) occurs in `text`, or `text_length` when it does not occur. An
// empty pattern is found at 0.
std::size_t FoldedFind(const std::uint8_t* text, std::size_t text_length,
                       const std::uint8_t* pattern, std::size_t pattern_length);

}  // namespace varnex
