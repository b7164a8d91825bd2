#include "platform/terminal.h"

#include <unistd.h>

namespace varnex {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

}  // namespace varnex
