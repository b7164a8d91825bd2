#include "change/output_failure.h"

#include <cerrno>
#include <cstring>

namespace varnex {

std::string OutputFailure() {
    const int reason = errno;
    std::string text = "could not write the output";
    if (reason != 0) {
        text += ": ";
        text += std::strerror(reason);
    }
    return text;
}

}  // namespace varnex
