#include "platform/input_stream.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace varnex {

// ReadFile on the handle moves bytes unchanged; the C library's descriptor is
// set to binary too, so that nothing read through it is translated either.
FileHandle StandardInputHandle(ErrorCode& error) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        error = input == nullptr ? ERROR_INVALID_HANDLE : ::GetLastError();
        return kNoFile;
    }
    ::_setmode(::_fileno(stdin), _O_BINARY);
    return reinterpret_cast<FileHandle>(input);
}

bool HasKnownSize(FileHandle file) { return ::GetFileType(reinterpret_cast<HANDLE>(file)) == FILE_TYPE_DISK; }

// A pipe's buffer is set by whoever creates it on Windows.
void PrepareForStreaming(FileHandle file) { (void)file; }

// A pipe hands over what its writer wrote in one go, so one ReadFile may
// move less than asked; the writer closing its end shows as
// ERROR_BROKEN_PIPE, which is the end of the input here.
TransferResult ReadToFill(FileHandle file, std::uint8_t* buffer, std::uint32_t count) {
    TransferResult result;
    while (result.done < count) {
        DWORD moved = 0;
        const BOOL done =
            ::ReadFile(reinterpret_cast<HANDLE>(file), buffer + result.done, count - result.done, &moved, nullptr);
        result.done += moved;
        if (!done) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) break;
            result.failed = true;
            result.error = error;
            break;
        }
        if (moved == 0) break;
    }
    return result;
}

}  // namespace varnex
