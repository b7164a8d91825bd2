#pragma once
// The few operating-system file services the page engine uses, behind an
// interface so that tests can inject failures, short transfers and EINTR on
// every call. Each call mirrors its POSIX counterpart: a result of -1 means
// failure and the error code is handed back in `error` (errno at the moment
// of failure).

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace varnex {

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens an existing file for reading and writing; never creates or
    // truncates it. Returns the descriptor or -1.
    virtual int Open(const char* name, int& error) = 0;

    // Sets the file position to `offset` bytes from the start. Returns 0 or -1.
    virtual int Seek(int descriptor, std::uint64_t offset, int& error) = 0;

    // One read(2) or write(2) call: returns the bytes moved, 0, or -1.
    virtual ssize_t Read(int descriptor, void* buffer, std::size_t count, int& error) = 0;
    virtual ssize_t Write(int descriptor, const void* buffer, std::size_t count, int& error) = 0;

    virtual void Close(int descriptor) = 0;
};

// The real services of the machine.
FileSystem& SystemFileSystem();

}  // namespace varnex
