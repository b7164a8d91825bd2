#pragma once
// Which file a name or a handle is on Windows: its volume and its index on
// that volume, the same for every name and link of one file. Used only by the
// Windows implementation files.

#include <windows.h>

namespace varnex {

// The name's file opened for its attributes only, shared every way, so that
// a file open elsewhere can still be looked up.
inline bool FileIdentityOf(const char* name, BY_HANDLE_FILE_INFORMATION& identity) {
    const HANDLE file = ::CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL found = ::GetFileInformationByHandle(file, &identity);
    ::CloseHandle(file);
    return found != 0;
}

inline bool SameFileIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace varnex
