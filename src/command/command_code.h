#pragma once
// The commands the reader hands to the interpreter.

#include <cstdint>

namespace varnex {

enum class CommandCode : std::uint32_t {
    kPage = 1,
    kVerify = 2,
    kReplace = 3,
    kWrite = 4,
    kDump = 5,
    kPageSize = 6,
    kPush = 7,
    kPop = 8,
    kSearch = 9,
    kBitDump = 10,
    kIndirectPage = 11,
    kEndOfStream = 12,
    kNoCommand = 13,  // blank or unrecognised line; never leaves the reader
};

inline constexpr std::uint32_t kMaxDataBytes = 128;

// One command with its converted operands. What value A and value B hold
// depends on the verb (see operand_conversion.h).
struct Command {
    CommandCode code = CommandCode::kNoCommand;
    std::uint32_t value_a = 0;
    std::uint32_t value_b = 0;
    std::uint32_t byte_count = 0;
    std::uint8_t data[kMaxDataBytes] = {};
};

}  // namespace varnex
