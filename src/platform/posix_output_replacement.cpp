#include "platform/output_replacement.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace varnex {
namespace {

// As many links as the kernel itself follows before it gives ELOOP.
constexpr int kMostLinks = 40;

// What the link `path` holds, read relative to the link's own folder.
bool ReadLink(const std::string& path, std::size_t size_hint, std::string& next, ErrorCode& error) {
    std::vector<char> text(size_hint > 0 ? size_hint + 1 : PATH_MAX);
    const ssize_t length = ::readlink(path.c_str(), text.data(), text.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= text.size()) {
        error = static_cast<ErrorCode>(length < 0 ? errno : length == 0 ? ENOENT : ENAMETOOLONG);
        return false;
    }
    next.assign(text.data(), static_cast<std::size_t>(length));
    const std::string::size_type slash = path.find_last_of('/');
    if (next.front() != '/' && slash != std::string::npos) next.insert(0, path.substr(0, slash + 1));
    return true;
}

}  // namespace

bool FindOutputTarget(const std::string& name, OutputTarget& target, ErrorCode& error) {
    target.path = name;
    for (int links = 0; links <= kMostLinks; ++links) {
        struct stat status {};
        if (::lstat(target.path.c_str(), &status) != 0) {
            target.kind = OutputKind::kNewFile;
            if (errno == ENOENT) return true;
            error = static_cast<ErrorCode>(errno);
            return false;
        }
        if (S_ISLNK(status.st_mode)) {
            std::string next;
            if (!ReadLink(target.path, static_cast<std::size_t>(status.st_size), next, error)) return false;
            target.path = next;
            continue;
        }
        if (S_ISDIR(status.st_mode)) {
            error = EISDIR;
            return false;
        }
        target.kind = S_ISREG(status.st_mode) ? OutputKind::kRegularFile : OutputKind::kStraightThrough;
        target.permissions = static_cast<std::uint32_t>(status.st_mode & 07777);
        return true;
    }
    error = ELOOP;
    return false;
}

// mkstemp makes the file for its owner alone; it is given the permissions of
// the file it replaces, or those a file created the ordinary way would have
// (0666 less the umask). Where the process may (root), the owner is kept too.
std::FILE* CreateFileBeside(const OutputTarget& target, std::string& temporary_name, ErrorCode& error) {
    std::string pattern = target.path;
    pattern += ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        error = static_cast<ErrorCode>(errno);
        return nullptr;
    }
    temporary_name = name.data();
    mode_t permissions = static_cast<mode_t>(target.permissions);
    if (target.kind != OutputKind::kRegularFile) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        permissions = 0666 & ~mask;
    } else if (::geteuid() == 0) {
        struct stat status {};
        if (::stat(target.path.c_str(), &status) == 0) (void)::fchown(descriptor, status.st_uid, status.st_gid);
    }
    (void)::fchmod(descriptor, permissions);
    std::FILE* stream = ::fdopen(descriptor, "wb");
    if (stream == nullptr) {
        error = static_cast<ErrorCode>(errno);
        ::close(descriptor);
        ::unlink(temporary_name.c_str());
    }
    return stream;
}

// No O_CREAT: a name that went away meanwhile is not made a regular file; no
// O_TRUNC, which means nothing to a device and could only hurt. A name that
// became a regular file between the look and the open is refused, since
// writing over its start without truncating it would leave a mixture.
std::FILE* OpenStraightThrough(const std::string& path, ErrorCode& error) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        error = static_cast<ErrorCode>(errno);
        return nullptr;
    }
    struct stat status {};
    std::FILE* stream = nullptr;
    if (::fstat(descriptor, &status) != 0) {
        error = static_cast<ErrorCode>(errno);
    } else if (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) {
        error = EAGAIN;
    } else if ((stream = ::fdopen(descriptor, "wb")) == nullptr) {
        error = static_cast<ErrorCode>(errno);
    }
    if (stream == nullptr) ::close(descriptor);
    return stream;
}

FileHandle HandleOfStream(std::FILE* stream) { return ::fileno(stream); }

bool ReplaceFileWith(const std::string& temporary_name, const std::string& target, ErrorCode& error) {
    if (std::rename(temporary_name.c_str(), target.c_str()) == 0) return true;
    error = static_cast<ErrorCode>(errno);
    return false;
}

void RemoveTemporaryFile(const std::string& temporary_name) { ::unlink(temporary_name.c_str()); }

bool IsSameFile(const char* first, const char* second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first, &a) == 0 && ::stat(second, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace varnex
