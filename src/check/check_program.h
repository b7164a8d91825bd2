#pragma once
// varnex-check from its arguments to its exit status: check each stream,
// print the findings to standard error, and dry-run the streams when asked.

namespace varnex {

inline constexpr int kCheckClean = 0;     // nothing found (and a clean dry run)
inline constexpr int kCheckFindings = 1;  // warnings or errors (or a dry run that reported some)
inline constexpr int kCheckTrouble = 2;   // bad usage, an unreadable stream, a file the dry run could not open

int RunCheck(int argc, const char* const* argv);

}  // namespace varnex
