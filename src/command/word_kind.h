#pragma once
// The layouts in which an offset can be stored inside a page, named by the
// keywords of the indirect PAGE form. Codes are single bits.

#include <cstdint>
#include <string_view>

namespace varnex {

enum class WordKind : std::uint32_t {
    kWI16 = 0x1,
    kWI24 = 0x2,
    kWI32 = 0x4,
    kWI48 = 0x8,
    kWI56 = 0x10,
    kWI64 = 0x20,
    kWC16 = 0x100,
    kWC24 = 0x200,
    kWC32 = 0x400,
    kWC48 = 0x800,
    kWC56 = 0x1000,
    kWC64 = 0x2000,
    kWD32 = 0x10000,
};

// Looks up a keyword, whole and ignoring letter case. `text` is the operand:
// the keyword is its token, up to the first blank or the end. An unknown
// keyword gives WI64.
std::uint32_t LookUpWordKind(const char* text);

// Bytes a stored word of this code occupies; 0 for a code that is no kind.
std::uint32_t WordKindWidth(std::uint32_t code);

// The keyword that names this code (upper case); nullptr for a code that is
// no kind.
const char* WordKindKeyword(std::uint32_t code);

}  // namespace varnex
