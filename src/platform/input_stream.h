#pragma once
// Inputs read once from start to end that may not be files of a known size:
// standard input, a pipe, a FIFO, a terminal.

#include <cstdint>

#include "platform/file_system.h"
#include "platform/transfer.h"

namespace varnex {

// The handle standard input reads, set to deliver bytes unchanged (binary
// mode on Windows, where text mode would drop CRs and stop at Ctrl-Z).
// Usable with SystemFileSystem() and ReadToEnd(); never to be closed by the
// caller. Returns kNoFile, with the platform's code in `error`, when there is
// no standard input.
FileHandle StandardInputHandle(ErrorCode& error);

// True when the input's size is known before it is read: a regular file or a
// block device (a disk on Windows). False for a pipe, a FIFO, a terminal, a
// socket: those are read to their end to learn their size.
bool HasKnownSize(FileHandle file);

// Advice for an input about to be read to its end: a pipe gets a larger
// buffer where the system allows it, so that a fast writer and this reader
// take turns less often. A refusal changes nothing.
void PrepareForStreaming(FileHandle file);

// Reads up to `count` bytes at the file position, asking again after every
// short read until `count` is reached or the input ends. Fewer bytes only at
// the end of the input or on failure. The end of a pipe (on Windows a broken
// pipe) is the end of the input, not a failure.
TransferResult ReadToFill(FileHandle file, std::uint8_t* buffer, std::uint32_t count);

}  // namespace varnex
