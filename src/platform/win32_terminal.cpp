#include "platform/terminal.h"

#include <io.h>
#include <stdio.h>

namespace varnex {

// _isatty is true for any character device, the console among them.
bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

}  // namespace varnex
