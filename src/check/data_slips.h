#pragma once
// Slips in the data operand of VER, REP and SEARCH: text whose bytes are not
// the ones it seems to spell.

#include "check/finding.h"
#include "check/line_context.h"

namespace varnex {

// Reports the first slip in the data of an executing VER, REP or SEARCH line:
// an error for REP (it writes bytes nobody meant), a warning otherwise.
void CheckData(const LineContext& context, FindingList& findings);

}  // namespace varnex
