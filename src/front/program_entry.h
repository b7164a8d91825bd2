#pragma once
// The program from its arguments to its exit code.

#include "command/byte_source.h"
#include "platform/file_system.h"

namespace varnex {

inline constexpr int kExitRun = 0;
inline constexpr int kExitNoFile = 16;

// Parses the arguments, prints the banners and runs the command stream from
// `commands` against the named file. Returns the process exit code.
int RunProgram(int argc, const char* const* argv, FileSystem& files, ByteSource& commands);

}  // namespace varnex
