#pragma once
// Slips in the operands of an executing command line: numbers, word kinds,
// and words that the command never reads.

#include "check/finding.h"
#include "check/line_context.h"

namespace varnex {

// Checks every number operand of the line's command.
void CheckNumberOperands(const LineContext& context, FindingList& findings);

// Reports a word-kind keyword of PAGE @off KIND that is not in the table (it
// silently selects WI64).
void CheckWordKind(const LineContext& context, FindingList& findings);

// Reports words after the operands the command uses: "Write it back" is a
// WRITE, "Page 3 holds the header" a PAGE 3.
void CheckIgnoredWords(const LineContext& context, FindingList& findings);

}  // namespace varnex
