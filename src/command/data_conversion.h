#pragma once
// Hexadecimal data operands: the text from the operand's start to the end of
// the line, two characters to a byte, at most 128 bytes.

#include <cstdint>

namespace varnex {

// Writes the bytes into `data` (room for 128) and returns their count.
// Characters pair by position: a blank or any non-digit counts as digit 0,
// and a last unpaired character is dropped.
std::uint32_t ConvertData(const char* text, std::uint8_t* data);

}  // namespace varnex
