#pragma once
// The size of an open file, for a disk file and a block device alike.

#include <cstdint>

#include "platform/file_system.h"

namespace varnex {

// Sets `size` to the file's length in bytes. Returns false, with the
// platform's code in `error`, when the size cannot be found.
bool FileSize(FileHandle file, std::uint64_t& size, ErrorCode& error);

}  // namespace varnex
