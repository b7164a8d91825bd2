#pragma once
// Splits a command line into its verb and the start of up to two operands.

#include "command/command_code.h"

namespace varnex {

struct TokenisedLine {
    CommandCode code = CommandCode::kNoCommand;
    const char* operand1 = nullptr;  // start positions in the line, or none
    const char* operand2 = nullptr;
};

// kNoCommand for a blank line or an unknown verb. Operands are handed out
// only for the verbs that take them; an operand is not terminated: it runs
// from its start position and its converter decides where it ends.
TokenisedLine Tokenise(const char* line);

// A word character is above the blank, taken as a signed byte.
inline bool IsWordCharacter(char c) { return static_cast<signed char>(c) > 32; }

}  // namespace varnex
