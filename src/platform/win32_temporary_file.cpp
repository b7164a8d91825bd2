#include "platform/temporary_file.h"

#include <windows.h>

namespace varnex {

// The C runtime's tmpfile() makes its file in the root folder of the current
// drive, which an ordinary user may not write; the file goes in the user's
// temporary folder instead. "T" keeps it in the cache where it can, "D"
// deletes it when it is closed.
std::FILE* CreateTemporaryFile(ErrorCode& error) {
    char folder[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(sizeof folder, folder);
    if (length == 0 || length > MAX_PATH || ::GetTempFileNameA(folder, "vnx", 0, name) == 0) {
        error = ::GetLastError();
        return nullptr;
    }
    std::FILE* file = std::fopen(name, "w+bTD");
    if (file == nullptr) {
        error = ::GetLastError();
        ::DeleteFileA(name);
    }
    return file;
}

bool SeekStream(std::FILE* stream, std::uint64_t offset, ErrorCode& error) {
    if (::_fseeki64(stream, static_cast<__int64>(offset), SEEK_SET) == 0) return true;
    error = LastStreamError();
    return false;
}

// The C runtime's stream calls fail through ReadFile and WriteFile, which
// leave the system's own code; errno would hold the C runtime's number,
// which the system's error texts do not know.
ErrorCode LastStreamError() { return static_cast<ErrorCode>(::GetLastError()); }

}  // namespace varnex
