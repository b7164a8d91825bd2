#include "dryrun/dry_run_log.h"

namespace varnex {
namespace {

constexpr std::string_view kWritten = "MIP0117I: Write completed (";
constexpr std::string_view kCount = " bytes written) at offset ";

// A message line: "MIP", four digits, the severity letter, a colon.
bool IsWarningOrError(const char* line, std::size_t length) {
    if (length < 9 || line[0] != 'M' || line[1] != 'I' || line[2] != 'P' || line[8] != ':') return false;
    for (int i = 3; i < 7; ++i) {
        if (line[i] < '0' || line[i] > '9') return false;
    }
    return line[7] == 'W' || line[7] == 'E';
}

}  // namespace

DryRunLog::DryRunLog()
    : previous_(SetLineSink(this)), next_(previous_ != nullptr ? *previous_ : StandardOutputSink()) {}

DryRunLog::~DryRunLog() { SetLineSink(previous_); }

void DryRunLog::Put(const char* line, std::size_t length) {
    if (IsWarningOrError(line, length)) saw_warning_or_error_ = true;
    const std::string text(line, length);
    const std::string reworded = DryRunWording(text);
    next_.Put(reworded.data(), reworded.size());
}

// The line is noted and reworded as Put does it; the pair still leaves in one
// piece.
void DryRunLog::PutLineAndEmptyLine(const char* lines, std::size_t length) {
    if (IsWarningOrError(lines, length)) saw_warning_or_error_ = true;
    std::string reworded = DryRunWording(std::string(lines, length - 1));
    reworded.push_back('\n');
    next_.PutLineAndEmptyLine(reworded.data(), reworded.size());
}

std::string DryRunWording(const std::string& line) {
    if (line.compare(0, kWritten.size(), kWritten) != 0) return line;
    const std::size_t count_end = line.find(kCount, kWritten.size());
    if (count_end == std::string::npos) return line;
    const std::string count = line.substr(kWritten.size(), count_end - kWritten.size());
    const std::string offset = line.substr(count_end + kCount.size());
    return "MIP0117I: Dry run: the page would be written (" + count + " bytes) at offset " + offset;
}

}  // namespace varnex
