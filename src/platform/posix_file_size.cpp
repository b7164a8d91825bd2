#include "platform/file_size.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace varnex {

// fstat gives a block device a size of 0; its end, found by seeking there,
// is its size. The position is put back at the start afterwards.
bool FileSize(FileHandle file, std::uint64_t& size, ErrorCode& error) {
    const int descriptor = static_cast<int>(file);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        error = static_cast<ErrorCode>(errno);
        return false;
    }
    if (!S_ISBLK(status.st_mode)) {
        size = static_cast<std::uint64_t>(status.st_size);
        return true;
    }
    const off_t end = ::lseek(descriptor, 0, SEEK_END);
    if (end < 0 || ::lseek(descriptor, 0, SEEK_SET) < 0) {
        error = static_cast<ErrorCode>(errno);
        return false;
    }
    size = static_cast<std::uint64_t>(end);
    return true;
}

}  // namespace varnex
