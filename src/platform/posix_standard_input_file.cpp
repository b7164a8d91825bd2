#include "platform/standard_input_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace varnex {

bool IsStandardInput(const char* name) {
    struct stat input {};
    struct stat named {};
    return ::fstat(STDIN_FILENO, &input) == 0 && ::stat(name, &named) == 0 && input.st_dev == named.st_dev &&
           input.st_ino == named.st_ino;
}

}  // namespace varnex
