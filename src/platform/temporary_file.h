#pragma once
// A temporary file as a standard C stream, for bytes spooled out of memory:
// made in the system's folder for temporary files and removed once closed,
// read and written at positions past what a `long` holds on every platform.

#include <cstdint>
#include <cstdio>

#include "platform/file_system.h"

namespace varnex {

// Creates a new temporary file opened for binary reading and writing, which
// goes away when it is closed or the process ends. Returns nullptr with the
// platform's code in `error` when it cannot be made.
std::FILE* CreateTemporaryFile(ErrorCode& error);

// Sets the position of `stream` to `offset` bytes from its start. false on
// failure, with the code in `error`.
bool SeekStream(std::FILE* stream, std::uint64_t offset, ErrorCode& error);

// The platform's code for the stream call that has just failed (fwrite,
// fread), in the form SystemErrorText takes. Call it at once.
ErrorCode LastStreamError();

}  // namespace varnex
