#include "platform/standard_input_file.h"

#include <windows.h>

namespace varnex {
namespace {

// The name's file opened for its attributes only, shared every way, so that
// a file open elsewhere can still be looked up.
bool InformationOf(const char* name, BY_HANDLE_FILE_INFORMATION& information) {
    const HANDLE file = ::CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const BOOL found = ::GetFileInformationByHandle(file, &information);
    ::CloseHandle(file);
    return found != 0;
}

}  // namespace

// A console or a pipe has no file information, so it is no named file.
bool IsStandardInput(const char* name) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    BY_HANDLE_FILE_INFORMATION read{};
    BY_HANDLE_FILE_INFORMATION named{};
    return input != nullptr && input != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(input, &read) &&
           InformationOf(name, named) && read.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
           read.nFileIndexHigh == named.nFileIndexHigh && read.nFileIndexLow == named.nFileIndexLow;
}

}  // namespace varnex
