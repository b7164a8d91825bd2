#pragma once
// One page moved between the file and memory at the file position, with as
// many calls of the platform's read or write service as the platform needs
// for it. Where one call can stop early for reasons other than the end of
// the file (a signal, a pipe, a limit on the size of one call), the rest is
// asked for again; where one call of a disk file moves every byte or stops at
// the end of the file, one call is made.

#include <cstdint>

#include "platform/file_system.h"

namespace varnex {

struct TransferResult {
    std::uint32_t done = 0;  // bytes moved, also when the transfer failed
    bool failed = false;     // a call failed; `error` holds its code
    ErrorCode error = 0;
};

// Reads up to `count` bytes; fewer only at the end of the file or on failure.
TransferResult ReadPage(FileSystem& files, FileHandle file, std::uint8_t* buffer, std::uint32_t count);

// Writes `count` bytes; fewer on failure, or when the platform accepted no
// more without reporting an error (`failed` is then false).
TransferResult WritePage(FileSystem& files, FileHandle file, const std::uint8_t* buffer, std::uint32_t count);

}  // namespace varnex
