#include "platform/file_system.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace varnex {
namespace {

class PosixFileSystem final : public FileSystem {
public:
    int Open(const char* name, int& error) override {
        const int descriptor = ::open(name, O_RDWR | O_CLOEXEC);
        if (descriptor < 0) error = errno;
        return descriptor;
    }

    int Seek(int descriptor, std::uint64_t offset, int& error) override {
        if (::lseek(descriptor, static_cast<off_t>(offset), SEEK_SET) < 0) {
            error = errno;
            return -1;
        }
        return 0;
    }

    ssize_t Read(int descriptor, void* buffer, std::size_t count, int& error) override {
        const ssize_t moved = ::read(descriptor, buffer, count);
        if (moved < 0) error = errno;
        return moved;
    }

    ssize_t Write(int descriptor, const void* buffer, std::size_t count, int& error) override {
        const ssize_t moved = ::write(descriptor, buffer, count);
        if (moved < 0) error = errno;
        return moved;
    }

    void Close(int descriptor) override { ::close(descriptor); }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static PosixFileSystem system;
    return system;
}

}  // namespace varnex
