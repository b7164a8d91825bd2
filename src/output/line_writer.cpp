#include "output/line_writer.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace varnex {
namespace {

// Standard output as the log. After the first failed write every later line
// is dropped silently: the run itself goes on (nothing is reported, since the
// log is the only place a report could go).
class StandardOutputSink final : public LineSink {
public:
    void Put(const char* line, std::size_t length) override {
        if (failed_) return;
        while (length > 0) {
            const ssize_t written = ::write(STDOUT_FILENO, line, length);
            if (written < 0 && errno == EINTR) continue;
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitUntilWritable()) continue;
            if (written <= 0) {
                failed_ = true;
                return;
            }
            line += written;
            length -= static_cast<std::size_t>(written);
        }
    }

    // A line too long for the caller's buffer leaves in one writev call.
    void PutTwo(const char* text, std::size_t length) {
        if (failed_) return;
        char newline = '\n';
        iovec parts[2] = {{const_cast<char*>(text), length}, {&newline, 1}};
        const ssize_t written = ::writev(STDOUT_FILENO, parts, 2);
        if (written == static_cast<ssize_t>(length + 1)) return;
        if (written < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            failed_ = true;
            return;
        }
        // Interrupted or short: finish what is left byte-exactly.
        const std::size_t done = written < 0 ? 0 : static_cast<std::size_t>(written);
        if (done < length) Put(text + done, length - done);
        Put("\n", 1);
    }

private:
    // A non-blocking standard output that is full: wait for its reader.
    static bool WaitUntilWritable() {
        pollfd ready{STDOUT_FILENO, POLLOUT, 0};
        while (::poll(&ready, 1, -1) < 0) {
            if (errno != EINTR) return false;
        }
        return true;
    }

    bool failed_ = false;
};

StandardOutputSink standard_output;
LineSink* active_sink = nullptr;

constexpr std::size_t kLineBufferSize = 2048;

}  // namespace

LineSink* SetLineSink(LineSink* sink) {
    LineSink* previous = active_sink;
    active_sink = sink;
    return previous;
}

void WriteFinishedLine(const char* line, std::size_t length_with_newline) {
    if (active_sink != nullptr) {
        active_sink->Put(line, length_with_newline);
    } else {
        standard_output.Put(line, length_with_newline);
    }
}

void WriteLine(std::string_view text) {
    if (text.size() < kLineBufferSize) {
        char line[kLineBufferSize];
        std::memcpy(line, text.data(), text.size());
        line[text.size()] = '\n';
        WriteFinishedLine(line, text.size() + 1);
        return;
    }
    if (active_sink == nullptr) {
        standard_output.PutTwo(text.data(), text.size());
        return;
    }
    active_sink->Put(text.data(), text.size());
    active_sink->Put("\n", 1);
}

void WriteEmptyLine() { WriteFinishedLine("\n", 1); }

}  // namespace varnex
