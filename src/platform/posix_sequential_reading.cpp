#include "platform/sequential_reading.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnex {

// A directory opens for reading on POSIX systems, but then fails on the
// first read with EISDIR; it is refused at once with that code instead.
FileHandle OpenForSequentialReading(const char* name, ErrorCode& error) {
    const int descriptor = ::open(name, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        error = static_cast<ErrorCode>(errno);
        return kNoFile;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        error = EISDIR;
        return kNoFile;
    }
    // Only advice: a refusal changes nothing.
    (void)::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    return descriptor;
}

}  // namespace varnex
