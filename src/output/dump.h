#pragma once
// The hexadecimal and bit dumps: a start banner, one line per 16 (hex) or 8
// (bit) bytes, and an end banner. A short last line is filled with zero bytes.

#include <cstddef>
#include <cstdint>

namespace varnex {

// Shows `length` bytes from `data` in lines of 16; `length` of 0 or less gives
// the two banners only. The caller guarantees `length` readable bytes.
void HexDump(const std::uint8_t* data, const char* title, std::int32_t length);

// The same in lines of 8 bytes with each byte also shown bit by bit.
void BitDump(const std::uint8_t* data, const char* title, std::int32_t length);

// Largest line either formatter produces, newline included.
inline constexpr std::size_t kDumpLineCapacity = 160;

// Formats one hex dump line for the 16 bytes of `block` at `line_offset`,
// ending with a newline, into `out`; returns its length.
std::size_t FormatHexDumpLine(char* out, std::uint32_t line_offset, const std::uint8_t* block);

// Formats one bit dump line for the 8 bytes of `block`; returns its length.
std::size_t FormatBitDumpLine(char* out, std::uint32_t line_offset, const std::uint8_t* block);

}  // namespace varnex
