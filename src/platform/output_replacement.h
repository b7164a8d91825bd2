#pragma once
// An output file written whole or not at all, where that can be done: the
// text goes to a new file beside the target, which is put on storage and
// renamed over the target once it is complete, and the folder's names are
// put on storage after. Only a regular file (or a name that does not exist
// yet) is replaced so; a symbolic link is followed to the file it leads to,
// which is replaced in its own folder, the link kept; a device, FIFO, socket
// or terminal is written straight through, as it is.

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/file_system.h"

namespace varnex {

enum class OutputKind {
    kNewFile,          // nothing of that name yet: made beside, then renamed there
    kRegularFile,      // replaced by a new file made beside it, its permissions kept
    kStraightThrough,  // a device, FIFO, socket or terminal: written as it is, never replaced
};

// Where an output name leads once every symbolic link on the way is
// followed (a chain of links too; a relative link is read from the link's
// own folder).
struct OutputTarget {
    std::string path;                     // the name, or the file its links lead to
    OutputKind kind = OutputKind::kNewFile;
    std::uint32_t permissions = 0;        // of an existing regular file, in the platform's terms
};

// Finds where `name` leads. false, with the platform's code in `error`, for
// a folder, a loop of links, or a name that cannot be looked up.
bool FindOutputTarget(const std::string& name, OutputTarget& target, ErrorCode& error);

// Creates a new, empty file in the folder of `target.path`, under a name no
// other file has, opened for binary writing, with the permissions of the
// file it is to replace (those of a new file for kNewFile). Sets
// `temporary_name`. Returns the stream, or nullptr with the code in `error`.
std::FILE* CreateFileBeside(const OutputTarget& target, std::string& temporary_name, ErrorCode& error);

// Opens an existing file that is no regular file for binary writing as it
// is: never created, truncated or replaced. A FIFO waits for its reader.
// Returns the stream, or nullptr with the code in `error`.
std::FILE* OpenStraightThrough(const std::string& path, ErrorCode& error);

// The platform's handle of an open stream, for SyncFile.
FileHandle HandleOfStream(std::FILE* stream);

// Puts the finished, synced temporary file in the target's place, replacing
// any file of that name, the rename itself asked to reach storage where the
// platform can (SyncFolderOf does it on POSIX). Returns false, with the code
// in `error`, on failure.
bool ReplaceFileWith(const std::string& temporary_name, const std::string& target, ErrorCode& error);

// Removes a temporary file that is not wanted any more; not checked.
void RemoveTemporaryFile(const std::string& temporary_name);

// True when both names exist and name the same file (one file under two
// names, or links to it).
bool IsSameFile(const char* first, const char* second);

}  // namespace varnex
