#include "platform/standard_input_file.h"

#include <windows.h>

#include "platform/win32_file_identity.h"

namespace varnex {

// A console or a pipe has no file information, so it is no named file.
bool IsStandardInput(const char* name) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    BY_HANDLE_FILE_INFORMATION read{};
    BY_HANDLE_FILE_INFORMATION named{};
    return input != nullptr && input != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(input, &read) &&
           FileIdentityOf(name, named) && SameFileIdentity(read, named);
}

}  // namespace varnex
