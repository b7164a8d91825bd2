#pragma once
// Whether a standard stream goes to a terminal, for output meant for a
// person (colours, progress) that a file or a pipe must not receive.

#include <cstdio>

namespace varnex {

// True when `stream` (stdout or stderr, or any stream with a descriptor)
// is a terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace varnex
