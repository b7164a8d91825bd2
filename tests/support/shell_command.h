#pragma once
// A shell command line run for a test of the real programs (POSIX only).

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace varnex::testing {

// Runs `command` with /bin/sh; its exit status, or -1 when a signal ended it.
inline int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace varnex::testing
