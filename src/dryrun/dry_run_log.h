#pragma once
// The dry run's log: every line the run prints passes through here on its
// way to the sink that was active before. Lines that report a page written
// are reworded to say the page would be written, and warnings and errors are
// noted; echoed command lines pass unread, since a comment may look like a
// message.

#include <cstddef>
#include <string>

#include "output/line_writer.h"

namespace varnex {

class DryRunLog final : public LineSink {
public:
    DryRunLog();
    ~DryRunLog() override;
    DryRunLog(const DryRunLog&) = delete;
    DryRunLog& operator=(const DryRunLog&) = delete;

    void Put(const char* line, std::size_t length) override;
    void PutEcho(const char* line, std::size_t length) override { next_.PutEcho(line, length); }
    void PutLineAndEmptyLine(const char* lines, std::size_t length) override;

    bool SawWarningOrError() const { return saw_warning_or_error_; }

private:
    LineSink* previous_;
    LineSink& next_;
    bool saw_warning_or_error_ = false;
};

// "MIP0117I: Write completed (N bytes written) at offset X." becomes
// "MIP0117I: Dry run: the page would be written (N bytes) at offset X.";
// any other line is returned unchanged.
std::string DryRunWording(const std::string& line);

}  // namespace varnex
