#pragma once
// Slips in number operands: values that are clamped or lose digits, suffixes
// that are no multiplier, and two-part numbers whose parts do not read as
// they look.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "check/finding.h"
#include "check/line_context.h"

namespace varnex {

enum class NumberParts {
    kBoth,        // high:low, both parts used (PAGE offsets and page numbers)
    kSecondOnly,  // only the part after the last colon counts
};

struct NumberSlip {
    std::size_t at = 0;  // index of the character it is about
    std::string message;
    bool value_changed = false;  // the value is clamped or cut: it is not the number written
};

// The slips of a number that stands alone, such as the value of -P:SIZE
// (which is read as a PAGESIZE operand is).
std::vector<NumberSlip> FindNumberSlips(std::string_view text, NumberParts parts);

// Checks the number whose text starts at view index `start` (after the '#'
// or '@' of a PAGE operand) and reports each slip as a warning. Returns the
// places of the findings that say the value is clamped or cut.
std::vector<std::size_t> CheckNumber(const LineContext& context, std::size_t start, NumberParts parts,
                                     FindingList& findings);

// Whether the decimal number at view index `start` has nothing in its last
// part (no digits at all, or nothing after its last colon), so that its
// reading carries on into the next word of the line.
bool ReadsOnIntoNextWord(const LineContext& context, std::size_t start);

}  // namespace varnex
