#pragma once
// Process-wide preparation done once before anything else runs.

namespace varnex {

// Makes sure descriptors 0, 1 and 2 are open (on /dev/null when they were
// closed), so that the target file can never take one of their numbers and be
// read as the command stream or receive the log; and ignores SIGPIPE, so that
// a log reader that goes away cannot end the run.
void PrepareProcess();

}  // namespace varnex
