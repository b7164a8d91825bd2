#include "platform/standard_streams.h"

#include <cerrno>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace varnex {
namespace {

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

// A non-blocking descriptor with nothing to hand over yet (no input, or a
// full output) is waited for, not taken as the end or as a failure.
bool WaitFor(int descriptor, short event) {
    pollfd ready{descriptor, event, 0};
    while (::poll(&ready, 1, -1) < 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool WriteRest(const char* text, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && WouldBlock(errno) && WaitFor(STDOUT_FILENO, POLLOUT)) continue;
        if (written <= 0) return false;
        text += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::int64_t ReadStandardInput(void* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, capacity);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        if (WouldBlock(errno) && WaitFor(STDIN_FILENO, POLLIN)) continue;
        return -1;
    }
}

bool WriteStandardOutput(const char* text, std::size_t length) { return WriteRest(text, length); }

bool WriteStandardOutputLine(const char* text, std::size_t length) {
    char newline = '\n';
    iovec parts[2] = {{const_cast<char*>(text), length}, {&newline, 1}};
    const ssize_t written = ::writev(STDOUT_FILENO, parts, 2);
    if (written == static_cast<ssize_t>(length + 1)) return true;
    if (written < 0 && errno != EINTR && !WouldBlock(errno)) return false;
    // Interrupted or short: finish what is left byte-exactly.
    const std::size_t done = written < 0 ? 0 : static_cast<std::size_t>(written);
    if (done < length && !WriteRest(text + done, length - done)) return false;
    return WriteRest("\n", 1);
}

}  // namespace varnex
