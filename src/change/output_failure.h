#pragma once
// The text of a failed write to an output stream, with the C library's
// reason for it ("could not write the output: No space left on device").

#include <string>

namespace varnex {

// Takes errno as the failed stream call left it; call it at once.
std::string OutputFailure();

}  // namespace varnex
