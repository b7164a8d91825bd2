#include "platform/stream_position.h"

#include <cerrno>
#include <sys/types.h>

namespace varnex {

bool SeekStream(std::FILE* stream, std::uint64_t offset, ErrorCode& error) {
    if (::fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0) return true;
    error = LastStreamError();
    return false;
}

ErrorCode LastStreamError() { return static_cast<ErrorCode>(errno); }

}  // namespace varnex
