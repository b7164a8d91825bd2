#pragma once
// The few operating-system file services the page engine uses, behind one
// interface that says nothing of the platform it runs on: a file handle, a
// byte count and a 32-bit error code. Tests put implementations in its place
// that fail, shorten or interrupt chosen calls.
//
// Each call is one call of the platform's own service. A failed call hands
// its error code back in `error`, taken at the moment of failure, before
// anything else can change it.

#include <cstddef>
#include <cstdint>

namespace varnex {

// The platform's handle of an open file, held in a type wide enough for any.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// The platform's error code for the last failed call.
using ErrorCode = std::uint32_t;

// What one read or write call reports: the bytes it moved and whether it
// failed. A failed call may still report bytes moved, as ReadFile and
// WriteFile do, and the log prints that count.
struct CallResult {
    std::size_t moved = 0;
    bool failed = false;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens an existing file for reading and writing, shared with other
    // processes for reading and writing; never creates or truncates it.
    // Returns the handle or kNoFile.
    virtual FileHandle Open(const char* name, ErrorCode& error) = 0;

    // Sets the file position to `offset` bytes from the start. Returns 0 or -1.
    virtual int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) = 0;

    // One read or write call at the file position: the bytes moved (0 for a
    // read at or past the end of the file), and whether the call failed.
    virtual CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) = 0;
    virtual CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) = 0;

    // Closing is not checked: nothing is left to do about a failure then.
    virtual void Close(FileHandle file) = 0;
};

// The real services of the machine.
FileSystem& SystemFileSystem();

// Opens an existing file for reading only, shared as Open shares it; the
// dry run uses it, so that nothing it does can reach the file. It fails
// wherever Open would fail, with the same error code (a file that may not be
// written, a directory). Returns the handle, usable with SystemFileSystem(),
// or kNoFile.
FileHandle OpenFileForReading(const char* name, ErrorCode& error);

}  // namespace varnex
