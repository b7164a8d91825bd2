#pragma once
// A temporary stream for a test to write and read back, made by the
// platform's own call: the Windows C runtime's tmpfile names its files from
// a counter of the process, so tests running side by side can be handed one
// file between them.

#include <cstdio>

#include "platform/temporary_file.h"

namespace varnex::testing {

inline std::FILE* ScratchStream() {
    ErrorCode ignored = 0;
    return CreateTemporaryFile(ignored);
}

}  // namespace varnex::testing
