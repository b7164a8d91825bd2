#include "platform/file_size.h"

#include <windows.h>

namespace varnex {

bool FileSize(FileHandle file, std::uint64_t& size, ErrorCode& error) {
    LARGE_INTEGER length{};
    if (!::GetFileSizeEx(reinterpret_cast<HANDLE>(file), &length)) {
        error = ::GetLastError();
        return false;
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

}  // namespace varnex
