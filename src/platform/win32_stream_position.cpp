#include "platform/stream_position.h"

#include <windows.h>

namespace varnex {

bool SeekStream(std::FILE* stream, std::uint64_t offset, ErrorCode& error) {
    if (::_fseeki64(stream, static_cast<__int64>(offset), SEEK_SET) == 0) return true;
    error = LastStreamError();
    return false;
}

// The C runtime's stream calls fail through ReadFile, WriteFile and
// CreateFile, which leave the system's own code; errno would hold the C
// runtime's number, which the system's error texts do not know.
ErrorCode LastStreamError() { return static_cast<ErrorCode>(::GetLastError()); }

}  // namespace varnex
