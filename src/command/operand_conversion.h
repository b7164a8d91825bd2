#pragma once
// Turns the operands of a recognised command into value A, value B, the byte
// count and the data bytes, as each verb uses them:
//   PAGE off         A = high half (0 without a colon), B = low half
//   PAGE #n          A = first part, B = (n - 1) * page size (n 0 counts as 1)
//   PAGE @off [kind] A = word kind (WI64 when absent), B = offset; code 11
//   VER/REP/SEARCH   B = offset, data and count from operand 2
//   DUMP/BITDUMP     B = offset, A = length (each 0 when absent)
//   PAGESIZE n       B = the new size

#include <cstdint>

#include "command/command_code.h"
#include "command/tokenizer.h"

namespace varnex {

// `command` has value A, value B and the byte count cleared. Returns the
// command's code (kIndirectPage for PAGE @).
CommandCode ConvertOperands(const TokenisedLine& line, std::uint32_t page_size, Command& command);

}  // namespace varnex
