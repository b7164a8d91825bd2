#include "platform/durable_file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/durable_storage.h"

namespace varnex {
namespace {

int Descriptor(FileHandle file) { return static_cast<int>(file); }

bool Failed(ErrorCode& error) {
    error = static_cast<ErrorCode>(errno);
    return false;
}

FileHandle OpenWith(const char* name, int flags, ErrorCode& error) {
    int descriptor = -1;
    do {
        descriptor = ::open(name, flags | O_CLOEXEC, 0666);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) error = static_cast<ErrorCode>(errno);
    return descriptor < 0 ? kNoFile : descriptor;
}

class PosixDurableFileSystem final : public SystemBackedFileSystem {
public:
    FileHandle OpenForReading(const char* name, bool& missing, ErrorCode& error) override {
        const FileHandle file = OpenWith(name, O_RDONLY, error);
        missing = file == kNoFile && error == ENOENT;
        return file;
    }

    // O_EXCL: a journal already there, complete or not, is never replaced.
    // Mode 0666 less the umask, as any file a user's program makes.
    FileHandle Create(const char* name, ErrorCode& error) override {
        return OpenWith(name, O_RDWR | O_CREAT | O_EXCL, error);
    }

    bool Size(FileHandle file, std::uint64_t& size, ErrorCode& error) override {
        struct stat status {};
        if (::fstat(Descriptor(file), &status) != 0) return Failed(error);
        size = static_cast<std::uint64_t>(status.st_size);
        return true;
    }

    bool Identity(FileHandle file, std::string& identity, ErrorCode& error) override {
        struct stat status {};
        if (::fstat(Descriptor(file), &status) != 0) return Failed(error);
        identity = std::to_string(static_cast<unsigned long long>(status.st_dev)) + ":" +
                   std::to_string(static_cast<unsigned long long>(status.st_ino));
        return true;
    }

    bool Sync(FileHandle file, ErrorCode& error) override { return SyncFile(file, error); }
    bool SyncFolderOf(const char* name, ErrorCode& error) override { return varnex::SyncFolderOf(name, error); }

    bool Remove(const char* name, ErrorCode& error) override { return ::unlink(name) == 0 || Failed(error); }

    // flock holds the whole file for the open file description, so this
    // process's other handles (the page engine's) still read and write it.
    bool Lock(FileHandle file, bool& busy, ErrorCode& error) override {
        busy = false;
        while (::flock(Descriptor(file), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            busy = errno == EWOULDBLOCK;
            return Failed(error);
        }
        return true;
    }
};

}  // namespace

DurableFileSystem& SystemDurableFileSystem() {
    static PosixDurableFileSystem system;
    return system;
}

}  // namespace varnex
