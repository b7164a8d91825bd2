#include "platform/sequential_reading.h"

#include <windows.h>

namespace varnex {

// Without FILE_FLAG_BACKUP_SEMANTICS a directory never opens: CreateFileA
// refuses it with its own code.
FileHandle OpenForSequentialReading(const char* name, ErrorCode& error) {
    const HANDLE file = ::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return kNoFile;
    }
    return reinterpret_cast<FileHandle>(file);
}

}  // namespace varnex
