#pragma once
// The platform's own text for an error code, exactly as the platform gives
// it (the texts of one platform end with a line break, those of another do
// not).

#include <cstddef>

#include "platform/file_system.h"

namespace varnex {

// Copies the text for `error_code` into `out` (always terminated) and returns
// `out`.
const char* SystemErrorText(ErrorCode error_code, char* out, std::size_t capacity);

}  // namespace varnex
