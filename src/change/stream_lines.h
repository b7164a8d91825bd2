#pragma once
// The lines of one page of a command stream, formatted as varnex reads them.

#include <cstdint>
#include <string>
#include <vector>

#include "change/changed_page.h"

namespace varnex {

// Most data bytes on one VER or REP line.
inline constexpr std::uint32_t kDataBytesPerLine = 128;

// "0x%X" below 4 GiB, "0xHIGH:LOW" (both parts hexadecimal) at or past it.
std::string PageOffsetText(std::uint64_t offset);

// Appends `verb` lines ("VER" or "REP") for `count` bytes of `bytes` starting
// at page offset `start`, at most kDataBytesPerLine bytes a line.
void AppendDataLines(std::string& out, const char* verb, const std::uint8_t* bytes, std::uint32_t start,
                     std::uint32_t count);

// The differing bytes of a page as stretches [start, end). Two stretches
// whose gap of equal bytes costs fewer characters than a line of its own are
// joined, the equal bytes carried along (and verified with the rest).
struct Stretch {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
};
std::vector<Stretch> FindStretches(const ChangedPage& page);

// How many bytes differ between the two sides of `page`.
std::uint64_t CountDifferingBytes(const ChangedPage& page);

}  // namespace varnex
