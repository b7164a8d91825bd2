#pragma once
// Whether a named file is the one standard input reads, so that an output
// never goes over a stream still being read.

namespace varnex {

// True when `name` exists and is the file standard input reads (the same
// file, under any name or link). False for a terminal or a pipe.
bool IsStandardInput(const char* name);

}  // namespace varnex
