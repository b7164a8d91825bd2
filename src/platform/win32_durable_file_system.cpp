#include "platform/durable_file_system.h"

#include <windows.h>

#include "platform/durable_storage.h"

namespace varnex {
namespace {

HANDLE Native(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

bool Failed(ErrorCode& error) {
    error = ::GetLastError();
    return false;
}

FileHandle OpenWith(const char* name, DWORD access, DWORD disposition, ErrorCode& error) {
    const HANDLE file = ::CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return kNoFile;
    }
    return reinterpret_cast<FileHandle>(file);
}

// The byte the lock holds: far past any file's end, so that the lock keeps
// out a second varnex-apply without blocking this process's own writes
// through its other handles, which a lock on the data would refuse.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0;

class Win32DurableFileSystem final : public SystemBackedFileSystem {
public:
    FileHandle OpenForReading(const char* name, bool& missing, ErrorCode& error) override {
        const FileHandle file = OpenWith(name, GENERIC_READ, OPEN_EXISTING, error);
        missing = file == kNoFile && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
        return file;
    }

    // CREATE_NEW: a journal already there is never replaced.
    FileHandle Create(const char* name, ErrorCode& error) override {
        return OpenWith(name, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, error);
    }

    bool Size(FileHandle file, std::uint64_t& size, ErrorCode& error) override {
        LARGE_INTEGER length{};
        if (!::GetFileSizeEx(Native(file), &length)) return Failed(error);
        size = static_cast<std::uint64_t>(length.QuadPart);
        return true;
    }

    bool Identity(FileHandle file, std::string& identity, ErrorCode& error) override {
        BY_HANDLE_FILE_INFORMATION information{};
        if (!::GetFileInformationByHandle(Native(file), &information)) return Failed(error);
        const std::uint64_t index = (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) |
                                    information.nFileIndexLow;
        identity = std::to_string(information.dwVolumeSerialNumber) + ":" + std::to_string(index);
        return true;
    }

    bool Sync(FileHandle file, ErrorCode& error) override { return SyncFile(file, error); }
    bool SyncFolderOf(const char* name, ErrorCode& error) override { return varnex::SyncFolderOf(name, error); }

    bool Remove(const char* name, ErrorCode& error) override { return ::DeleteFileA(name) != 0 || Failed(error); }

    bool Lock(FileHandle file, bool& busy, ErrorCode& error) override {
        busy = false;
        OVERLAPPED place{};
        place.Offset = kLockOffsetLow;
        place.OffsetHigh = kLockOffsetHigh;
        if (::LockFileEx(Native(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &place)) return true;
        Failed(error);
        busy = error == ERROR_LOCK_VIOLATION;
        return false;
    }
};

}  // namespace

DurableFileSystem& SystemDurableFileSystem() {
    static Win32DurableFileSystem system;
    return system;
}

}  // namespace varnex
