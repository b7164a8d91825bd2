#include "platform/output_replacement.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include "platform/win32_file_identity.h"

namespace varnex {
namespace {

// The stream of a handle opened for writing; the handle is closed if no
// stream can be made of it.
std::FILE* StreamOf(HANDLE file, ErrorCode& error) {
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
    std::FILE* stream = descriptor < 0 ? nullptr : ::_fdopen(descriptor, "wb");
    if (stream == nullptr) {
        error = ERROR_INVALID_HANDLE;
        if (descriptor < 0) ::CloseHandle(file); else ::_close(descriptor);
    }
    return stream;
}

// The path a name's links lead to, as the system gives it (\\?\C:\...).
bool FinalPath(HANDLE file, std::string& path) {
    char text[MAX_PATH * 4];
    const DWORD length = ::GetFinalPathNameByHandleA(file, text, sizeof text, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= sizeof text) return false;
    path.assign(text, length);
    return true;
}

// A disk file: a folder is refused, a link is followed to its file, whose
// attributes the new file takes.
bool DiskTarget(HANDLE file, OutputTarget& target, ErrorCode& error) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file, &information)) {
        error = ::GetLastError();
        return false;
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = ERROR_DIRECTORY;
        return false;
    }
    const DWORD own = ::GetFileAttributesA(target.path.c_str());
    if (own != INVALID_FILE_ATTRIBUTES && (own & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !FinalPath(file, target.path)) {
        error = ::GetLastError();
        return false;
    }
    target.kind = OutputKind::kRegularFile;
    target.permissions = information.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                         FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    return true;
}

}  // namespace

// The name is opened for its attributes only, following links; the type of
// what opens tells a disk file from a device (NUL, CON) or a pipe.
bool FindOutputTarget(const std::string& name, OutputTarget& target, ErrorCode& error) {
    target.path = name;
    target.kind = OutputKind::kNewFile;
    const HANDLE file = ::CreateFileA(name.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    bool found = true;
    if (::GetFileType(file) == FILE_TYPE_DISK) {
        found = DiskTarget(file, target, error);
    } else {
        target.kind = OutputKind::kStraightThrough;
    }
    ::CloseHandle(file);
    return found;
}

// CREATE_NEW fails on a name that exists, so the next number is tried.
std::FILE* CreateFileBeside(const OutputTarget& target, std::string& temporary_name, ErrorCode& error) {
    const DWORD attributes = target.permissions == 0 ? FILE_ATTRIBUTE_NORMAL : target.permissions;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary_name = target.path;
        temporary_name += ".~";
        temporary_name += std::to_string(::GetCurrentProcessId());
        temporary_name += '-';
        temporary_name += std::to_string(attempt);
        const DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        const HANDLE file = ::CreateFileA(temporary_name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          writable == 0 ? FILE_ATTRIBUTE_NORMAL : writable, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS) continue;
            return nullptr;
        }
        std::FILE* stream = StreamOf(file, error);
        if (stream == nullptr) ::DeleteFileA(temporary_name.c_str());
        return stream;
    }
    return nullptr;
}

// OPEN_EXISTING: a device or a pipe is never created or truncated.
std::FILE* OpenStraightThrough(const std::string& path, ErrorCode& error) {
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return nullptr;
    }
    if (::GetFileType(file) == FILE_TYPE_DISK) {
        ::CloseHandle(file);
        error = ERROR_BAD_FILE_TYPE;
        return nullptr;
    }
    return StreamOf(file, error);
}

FileHandle HandleOfStream(std::FILE* stream) { return static_cast<FileHandle>(::_get_osfhandle(::_fileno(stream))); }

// MOVEFILE_WRITE_THROUGH returns only once the rename is on storage, which
// is what SyncFolderOf does for it on POSIX.
bool ReplaceFileWith(const std::string& temporary_name, const std::string& target, ErrorCode& error) {
    if (::MoveFileExA(temporary_name.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
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
