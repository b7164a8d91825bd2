#include "platform/file_system.h"

#include <windows.h>

namespace varnex {
namespace {

// A HANDLE travels through the neutral interface as an integer of pointer
// width; INVALID_HANDLE_VALUE is -1 there, the same value as kNoFile.
HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle OpenWith(const char* name, DWORD access, ErrorCode& error) {
    // OPEN_EXISTING: the file is never created or truncated. Other processes
    // may read and write it meanwhile, but not delete or rename it.
    const HANDLE file = ::CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return kNoFile;
    }
    return reinterpret_cast<FileHandle>(file);
}

// Takes the error code at once, before anything else can change it.
CallResult Outcome(BOOL done, DWORD moved, ErrorCode& error) {
    if (!done) error = ::GetLastError();
    return {moved, !done};
}

class Win32FileSystem final : public FileSystem {
public:
    FileHandle Open(const char* name, ErrorCode& error) override {
        return OpenWith(name, GENERIC_READ | GENERIC_WRITE, error);
    }

    // SetFilePointer returns the new low half, so a position whose low half
    // is 0xFFFFFFFF returns INVALID_SET_FILE_POINTER on success too; only the
    // last error tells the two apart. It is cleared first, so that a stale
    // code from an earlier call can never turn that success into a failure.
    int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) override {
        const auto low = static_cast<LONG>(static_cast<DWORD>(offset));
        LONG high = static_cast<LONG>(static_cast<DWORD>(offset >> 32));
        ::SetLastError(NO_ERROR);
        if (::SetFilePointer(Native(file), low, &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
            const DWORD failure = ::GetLastError();
            if (failure != NO_ERROR) {
                error = failure;
                return -1;
            }
        }
        return 0;
    }

    // One synchronous call, no overlapped structure; the page engine asks
    // for at most 4 GiB - 1 bytes, which a DWORD holds.
    // The count the call reports is kept when it fails too: a failed write
    // may have moved part of the page, and the log says how much.
    CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) override {
        DWORD moved = 0;
        const BOOL done = ::ReadFile(Native(file), buffer, static_cast<DWORD>(count), &moved, nullptr);
        return Outcome(done, moved, error);
    }

    CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) override {
        DWORD moved = 0;
        const BOOL done = ::WriteFile(Native(file), buffer, static_cast<DWORD>(count), &moved, nullptr);
        return Outcome(done, moved, error);
    }

    void Close(FileHandle file) override { ::CloseHandle(Native(file)); }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static Win32FileSystem system;
    return system;
}

FileHandle OpenFileForReading(const char* name, ErrorCode& error) { return OpenWith(name, GENERIC_READ, error); }

}  // namespace varnex
