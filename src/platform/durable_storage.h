#pragma once
// Making writes survive a power cut: a file's data, and a folder's list of
// names (a file just made, or renamed into it), are on storage once these
// calls return true. Until then a power cut may lose any of it.

#include <string>

#include "platform/file_system.h"

namespace varnex {

// Puts every byte written to `file` so far on storage, with what is needed
// to read it back (its size). false, with the platform's code in `error`,
// when the storage reports a failure: the data may then be lost.
bool SyncFile(FileHandle file, ErrorCode& error);

// Puts the names of the folder that holds `path` on storage, so that a file
// made or renamed there is found under its name after a power cut. Where
// the platform keeps names durable by itself (Windows, whose rename is asked
// to write through), this does nothing and returns true.
bool SyncFolderOf(const std::string& path, ErrorCode& error);

}  // namespace varnex
