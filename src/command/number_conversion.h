#pragma once
// Numbers in operands: decimal or 0x-hexadecimal, an optional K multiplier
// (times 1024), and an optional two-part form high:low.

#include <cstdint>

namespace varnex {

// Converts the number starting at `text` (which runs to the end of the
// line). Sets `second` and, when `first` is given, the part before the first
// colon (0 without a colon). Every text gives some value.
void ConvertNumber(const char* text, std::uint32_t& second, std::uint32_t* first);

// The hexadecimal value of the characters up to the first blank or the end;
// every other character counts as the digit 0; the last eight digits decide.
std::uint32_t HexValue(const char* text);

// Reads base 10 as strtol does (white space, sign, digits), clamps to the
// signed 32-bit range, and returns the two's-complement pattern.
std::uint32_t DecimalValue(const char* text);

}  // namespace varnex
