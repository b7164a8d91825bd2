#pragma once
// Opening a file only to read it once from start to end.

#include "platform/file_system.h"

namespace varnex {

// Opens an existing file for reading only (no right to write it is needed),
// shared with other processes for reading and writing, and tells the system
// it will be read in order, so that it reads ahead. A directory is refused
// with the platform's code for one. Returns a handle usable with
// SystemFileSystem(), or kNoFile.
FileHandle OpenForSequentialReading(const char* name, ErrorCode& error);

}  // namespace varnex
