#include "platform/durable_storage.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace varnex {

// fsync, not fdatasync: the size of a file that grew is part of what must
// survive, and some file systems keep it only with the metadata.
bool SyncFile(FileHandle file, ErrorCode& error) {
    while (::fsync(static_cast<int>(file)) != 0) {
        if (errno == EINTR) continue;
        error = static_cast<ErrorCode>(errno);
        return false;
    }
    return true;
}

// The folder is opened for reading and synced; a folder whose file system
// cannot sync folders (EINVAL) keeps its names by other means.
bool SyncFolderOf(const std::string& path, ErrorCode& error) {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        error = static_cast<ErrorCode>(errno);
        return false;
    }
    bool synced = true;
    while (::fsync(descriptor) != 0) {
        if (errno == EINTR) continue;
        if (errno != EINVAL) {
            error = static_cast<ErrorCode>(errno);
            synced = false;
        }
        break;
    }
    ::close(descriptor);
    return synced;
}

}  // namespace varnex
