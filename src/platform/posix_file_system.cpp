#include "platform/file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnex {
namespace {

// A descriptor is a small non-negative int; -1 is kNoFile on both sides.
int Descriptor(FileHandle file) { return static_cast<int>(file); }

FileHandle OpenWith(const char* name, int flags, ErrorCode& error) {
    const int descriptor = ::open(name, flags | O_CLOEXEC);
    if (descriptor < 0) error = static_cast<ErrorCode>(errno);
    return descriptor < 0 ? kNoFile : descriptor;
}

// read(2) and write(2) return -1 on failure and then report nothing moved.
CallResult Outcome(ssize_t moved, ErrorCode& error) {
    if (moved >= 0) return {static_cast<std::size_t>(moved), false};
    error = static_cast<ErrorCode>(errno);
    return {0, true};
}

class PosixFileSystem final : public FileSystem {
public:
    FileHandle Open(const char* name, ErrorCode& error) override { return OpenWith(name, O_RDWR, error); }

    int Seek(FileHandle file, std::uint64_t offset, ErrorCode& error) override {
        if (::lseek(Descriptor(file), static_cast<off_t>(offset), SEEK_SET) < 0) {
            error = static_cast<ErrorCode>(errno);
            return -1;
        }
        return 0;
    }

    CallResult Read(FileHandle file, void* buffer, std::size_t count, ErrorCode& error) override {
        return Outcome(::read(Descriptor(file), buffer, count), error);
    }

    CallResult Write(FileHandle file, const void* buffer, std::size_t count, ErrorCode& error) override {
        return Outcome(::write(Descriptor(file), buffer, count), error);
    }

    void Close(FileHandle file) override { ::close(Descriptor(file)); }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static PosixFileSystem system;
    return system;
}

// The dry run must fail where the real run's Open fails, with the same code,
// so that its log predicts the real one: on a file the caller may not write
// (or a read-only file system, or a program being run), and on a directory,
// which opens for reading but never for writing.
FileHandle OpenFileForReading(const char* name, ErrorCode& error) {
    if (::faccessat(AT_FDCWD, name, W_OK, AT_EACCESS) != 0) {
        error = static_cast<ErrorCode>(errno);
        return kNoFile;
    }
    const FileHandle file = OpenWith(name, O_RDONLY, error);
    struct stat status {};
    if (file != kNoFile && ::fstat(Descriptor(file), &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(Descriptor(file));
        error = EISDIR;
        return kNoFile;
    }
    return file;
}

}  // namespace varnex
