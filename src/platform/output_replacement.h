#pragma once
// An output file written whole or not at all: the text goes to a new file
// beside the target, which is renamed over the target once it is complete.

#include <cstdio>
#include <string>

#include "platform/file_system.h"

namespace varnex {

// Creates a new, empty file in the target's folder, under a name no other
// file has, opened for binary writing. Sets `temporary_name`. Returns the
// stream, or nullptr with the platform's code in `error`.
std::FILE* CreateFileBeside(const std::string& target, std::string& temporary_name, ErrorCode& error);

// Puts the finished temporary file in the target's place, replacing any
// file of that name. Returns false, with the code in `error`, on failure.
bool ReplaceFileWith(const std::string& temporary_name, const std::string& target, ErrorCode& error);

// Removes a temporary file that is not wanted any more; not checked.
void RemoveTemporaryFile(const std::string& temporary_name);

// True when both names exist and name the same file (one file under two
// names, or links to it).
bool IsSameFile(const char* first, const char* second);

}  // namespace varnex
