#pragma once
// The text of a finding, in the form compilers use so that editors can jump
// to it:
//   NAME:LINE:COLUMN: warning: MESSAGE
//       the line as the reader sees it
//       what the line will do (one line per detail)

#include <string>
#include <string_view>

#include "check/finding.h"

namespace varnex {

std::string FormatFinding(std::string_view stream_name, const Finding& finding);

}  // namespace varnex
