#include "platform/temporary_file.h"

#include <cerrno>
#include <sys/types.h>

namespace varnex {

// tmpfile() makes the file in the temporary folder and unlinks it at once.
std::FILE* CreateTemporaryFile(ErrorCode& error) {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) error = LastStreamError();
    return file;
}

bool SeekStream(std::FILE* stream, std::uint64_t offset, ErrorCode& error) {
    if (::fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0) return true;
    error = LastStreamError();
    return false;
}

ErrorCode LastStreamError() { return static_cast<ErrorCode>(errno); }

}  // namespace varnex
