#include "platform/input_stream.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnex {

// Standard input is already a byte stream on POSIX systems.
FileHandle StandardInputHandle(ErrorCode& error) {
    struct stat status {};
    if (::fstat(STDIN_FILENO, &status) != 0) {
        error = static_cast<ErrorCode>(errno);
        return kNoFile;
    }
    return STDIN_FILENO;
}

bool HasKnownSize(FileHandle file) {
    struct stat status {};
    return ::fstat(static_cast<int>(file), &status) == 0 && (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode));
}

// Linux lets an unprivileged process grow a pipe to 1 MiB (pipe-max-size);
// elsewhere, or for what is no pipe, the call fails and changes nothing.
void PrepareForStreaming(FileHandle file) {
#ifdef F_SETPIPE_SZ
    (void)::fcntl(static_cast<int>(file), F_SETPIPE_SZ, 1 << 20);
#else
    (void)file;
#endif
}

// ReadPage already asks again after short reads and interruptions, and a
// pipe's end is a read of 0 bytes.
TransferResult ReadToFill(FileHandle file, std::uint8_t* buffer, std::uint32_t count) {
    return ReadPage(SystemFileSystem(), file, buffer, count);
}

}  // namespace varnex
