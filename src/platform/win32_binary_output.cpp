#include "platform/binary_output.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace varnex {

void UseBinaryStandardOutput() {
    std::fflush(stdout);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}

}  // namespace varnex
