#pragma once
// The C library's text for an error code, without a trailing line break.

#include <cstddef>

namespace varnex {

// Copies the text for `error_code` into `out` (always terminated) and returns
// `out`.
const char* SystemErrorText(int error_code, char* out, std::size_t capacity);

}  // namespace varnex
