#pragma once
// Standard input and standard output as the command stream and the log.

#include <cstddef>
#include <cstdint>

namespace varnex {

// Reads what standard input has, up to `capacity` bytes, waiting for it when
// none has arrived yet. Returns the bytes read, 0 at the end of input, or -1
// when reading has failed for good.
std::int64_t ReadStandardInput(void* buffer, std::size_t capacity);

// Writes finished log text (one or more whole lines, each ending in a line
// feed) to standard output, in one call where the system takes it whole.
// Returns false when standard output has failed for good.
bool WriteStandardOutput(const char* text, std::size_t length);

// Writes `text` and a line end as one line, for a text too long for the
// caller's line buffer. Returns false when standard output has failed.
bool WriteStandardOutputLine(const char* text, std::size_t length);

}  // namespace varnex
