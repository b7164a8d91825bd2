#pragma once
// Slips in the operands of an executing command line: numbers, word kinds,
// and words that the command never reads.

#include <cstddef>
#include <vector>

#include "check/finding.h"
#include "check/line_context.h"

namespace varnex {

// Checks every number operand of the line's command. Returns the places of
// the findings that say a PAGE loads another page than the one written (a
// clamped or cut offset, a page number whose offset wraps).
std::vector<std::size_t> CheckNumberOperands(const LineContext& context, FindingList& findings);

// Reports a word-kind keyword of PAGE @off KIND that is not in the table (it
// silently selects WI64), and notes a PAGE @off without one (WI64 too).
void CheckWordKind(const LineContext& context, FindingList& findings);

// Reports words after the operands the command uses: "Write it back" is a
// WRITE, "Page 3 holds the header" a PAGE 3.
void CheckIgnoredWords(const LineContext& context, FindingList& findings);

}  // namespace varnex
