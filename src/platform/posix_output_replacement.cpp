#include "platform/output_replacement.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace varnex {

// mkstemp makes the file for its owner alone; it is given the permissions a
// file created the ordinary way would have (0666 less the umask).
std::FILE* CreateFileBeside(const std::string& target, std::string& temporary_name, ErrorCode& error) {
    std::string pattern = target;
    pattern += ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        error = static_cast<ErrorCode>(errno);
        return nullptr;
    }
    temporary_name = name.data();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(descriptor, 0666 & ~mask);
    std::FILE* stream = ::fdopen(descriptor, "wb");
    if (stream == nullptr) {
        error = static_cast<ErrorCode>(errno);
        ::close(descriptor);
        ::unlink(temporary_name.c_str());
    }
    return stream;
}

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
