#pragma once
// Where two byte ranges first differ, at memory speed: large equal stretches
// are passed over with memcmp, the differing one is searched a word at a time.

#include <cstddef>
#include <cstdint>

namespace varnex {

// The index of the first byte at which `a` and `b` differ, or `count` when
// the `count` bytes are equal.
std::size_t FirstDifference(const std::uint8_t* a, const std::uint8_t* b, std::size_t count);

// True when the ranges differ and every differing pair of bytes is one ASCII
// letter in its two cases: a difference that VER, which ignores the case of
// letters, cannot see.
bool DiffersOnlyInLetterCase(const std::uint8_t* a, const std::uint8_t* b, std::size_t count);

}  // namespace varnex
