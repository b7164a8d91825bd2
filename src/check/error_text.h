#pragma once
// The platform's text for an error code, for a message of varnex-check's own.

#include <string>

#include "platform/file_system.h"

namespace varnex {

// The text without the line break some platforms end it with.
std::string ErrorText(ErrorCode code);

}  // namespace varnex
