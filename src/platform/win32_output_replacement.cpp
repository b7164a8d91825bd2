#include "platform/output_replacement.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include "platform/win32_file_identity.h"

namespace varnex {

// CREATE_NEW fails on a name that exists, so the next number is tried.
std::FILE* CreateFileBeside(const std::string& target, std::string& temporary_name, ErrorCode& error) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary_name = target;
        temporary_name += ".~";
        temporary_name += std::to_string(::GetCurrentProcessId());
        temporary_name += '-';
        temporary_name += std::to_string(attempt);
        const HANDLE file = ::CreateFileA(temporary_name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS) continue;
            return nullptr;
        }
        const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
        std::FILE* stream = descriptor < 0 ? nullptr : ::_fdopen(descriptor, "wb");
        if (stream == nullptr) {
            error = ERROR_INVALID_HANDLE;
            if (descriptor < 0) ::CloseHandle(file); else ::_close(descriptor);
            ::DeleteFileA(temporary_name.c_str());
        }
        return stream;
    }
    return nullptr;
}

bool ReplaceFileWith(const std::string& temporary_name, const std::string& target, ErrorCode& error) {
    if (::MoveFileExA(temporary_name.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    error = ::GetLastError();
    return false;
}

void RemoveTemporaryFile(const std::string& temporary_name) { ::DeleteFileA(temporary_name.c_str()); }

bool IsSameFile(const char* first, const char* second) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return FileIdentityOf(first, a) && FileIdentityOf(second, b) && SameFileIdentity(a, b);
}

}  // namespace varnex
