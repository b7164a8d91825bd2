#pragma once
// The platform's text for an error code, for the programs' own messages on
// standard error (varnex-check, varnex-diff).

#include <string>

#include "platform/file_system.h"

namespace varnex {

// The text without the line break some platforms end it with.
std::string ErrorText(ErrorCode code);

}  // namespace varnex
