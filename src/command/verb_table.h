#pragma once
// The verbs of the command language, with the operands each is handed and
// the operands each requires.

#include <cstddef>

#include "command/command_code.h"

namespace varnex {

struct Verb {
    const char* name;
    CommandCode code;
    int operands;           // operand start positions handed out: 0, 1 or 2
    int required_operands;  // operands that must be present
};

// Matches `length` characters at `text` against the verbs of that length,
// ignoring letter case. Returns nullptr when none matches.
const Verb* MatchVerb(const char* text, std::size_t length);

// The verb entry for a code (kPage for kIndirectPage); nullptr for others.
const Verb* VerbFor(CommandCode code);

}  // namespace varnex
