#pragma once
// Slips in the verb of a line: a verb glued to its operand, a mistyped verb,
// a verb without the operands it needs.

#include <cstddef>
#include <optional>

#include "check/finding.h"
#include "check/line_context.h"

namespace varnex {

// A first word that begins with a whole verb and goes on: "PAGE0" (from
// "PAGE<tab>0" or a forgotten blank).
struct GluedVerb {
    const char* verb = nullptr;
    std::size_t verb_length = 0;
    bool by_dropped_byte = false;  // a dropped byte stood between the verb and the rest
};
std::optional<GluedVerb> FindGluedVerb(const LineContext& context);

// A line that is no command but was probably meant as one.
struct MistypedVerb {
    std::size_t finding = 0;     // its place in the finding list
    const char* verb = nullptr;  // the verb it was probably meant to be
};

// Reports a glued or mistyped first word of a line that is no command.
std::optional<MistypedVerb> CheckFirstWord(const LineContext& context, FindingList& findings);

// Reports a verb whose required operands are missing (the reader skips it).
void CheckMissingOperands(const LineContext& context, FindingList& findings);

}  // namespace varnex
