#include "output/line_writer.h"

#include <algorithm>
#include <cstring>

#include "platform/standard_streams.h"

namespace varnex {
namespace {

// Standard output as the log. After the first failed write every later line
// is dropped silently: the run itself goes on (nothing is reported, since the
// log is the only place a report could go).
class StandardOutput final : public LineSink {
public:
    void Put(const char* line, std::size_t length) override {
        if (!failed_) failed_ = !WriteStandardOutput(line, length);
    }

    void PutLineAndEmptyLine(const char* lines, std::size_t length) override { Put(lines, length); }

    // A line too long for the caller's buffer leaves with its line end in
    // one call all the same.
    void PutTwo(const char* text, std::size_t length) {
        if (!failed_) failed_ = !WriteStandardOutputLine(text, length);
    }

private:
    bool failed_ = false;
};

StandardOutput standard_output;
LineSink* active_sink = nullptr;

constexpr std::size_t kLineBufferSize = 2048;

}  // namespace

void LineSink::PutLineAndEmptyLine(const char* lines, std::size_t length) {
    Put(lines, length - 1);
    Put(lines + length - 1, 1);
}

LineSink& StandardOutputSink() { return standard_output; }

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

void WriteLineAndEmptyLine(std::string_view text) {
    if (text.size() + 1 >= kLineBufferSize) {
        WriteLine(text);
        WriteEmptyLine();
        return;
    }
    char lines[kLineBufferSize];
    std::memcpy(lines, text.data(), text.size());
    lines[text.size()] = '\n';
    lines[text.size() + 1] = '\n';
    LineSink& sink = active_sink != nullptr ? *active_sink : standard_output;
    sink.PutLineAndEmptyLine(lines, text.size() + 2);
}

void WriteEchoLine(std::string_view text) {
    char line[kLineBufferSize];
    const std::size_t length = std::min(text.size(), kLineBufferSize - 1);
    std::memcpy(line, text.data(), length);
    line[length] = '\n';
    LineSink& sink = active_sink != nullptr ? *active_sink : standard_output;
    sink.PutEcho(line, length + 1);
}

void WriteEmptyLine() { WriteFinishedLine("\n", 1); }

}  // namespace varnex
