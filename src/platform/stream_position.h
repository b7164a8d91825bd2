#pragma once
// Standard C streams (a temporary file) read and written at positions past
// what a `long` holds on every platform, and the platform's code for a
// stream call that failed.

#include <cstdint>
#include <cstdio>

#include "platform/file_system.h"

namespace varnex {

// Sets the position of `stream` to `offset` bytes from its start. false on
// failure, with the code in `error`.
bool SeekStream(std::FILE* stream, std::uint64_t offset, ErrorCode& error);

// The platform's code for the stream call that has just failed (fwrite,
// fread, tmpfile), in the form SystemErrorText takes. Call it at once.
ErrorCode LastStreamError();

}  // namespace varnex
