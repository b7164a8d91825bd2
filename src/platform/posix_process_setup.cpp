#include "platform/process_setup.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace varnex {

void PrepareProcess() {
    for (int wanted = 0; wanted <= 2; ++wanted) {
        if (::fcntl(wanted, F_GETFD) != -1) continue;
        // The lowest free number is the closed one, so open() fills exactly it.
        const int descriptor = ::open("/dev/null", O_RDWR);
        if (descriptor >= 0 && descriptor != wanted) ::close(descriptor);
    }
    std::signal(SIGPIPE, SIG_IGN);
    // Past the file size limit (ulimit -f) a write then fails with EFBIG and
    // is reported, instead of the signal ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace varnex
