#include "diff/progress_line.h"

#include <cstdio>

namespace varnex {
namespace {

constexpr std::chrono::milliseconds kInterval{250};
constexpr char kBlankLine[] = "\r                         \r";

}  // namespace

ProgressLine::ProgressLine(bool shown, std::uint64_t total)
    : shown_(shown), total_(total), next_(std::chrono::steady_clock::now() + kInterval) {}

// Progress is only a courtesy: a failed write of it is not an error.
void ProgressLine::Reached(std::uint64_t done) {
    if (!shown_ || total_ == 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return;
    next_ = now + kInterval;
    char line[48];
    const int length = std::snprintf(line, sizeof line, "\rvarnex-diff: %3u%%",
                                     static_cast<unsigned>(done * 100 / total_));
    (void)std::fwrite(line, 1, static_cast<std::size_t>(length), stderr);
    written_ = true;
}

void ProgressLine::Clear() {
    if (written_) (void)std::fwrite(kBlankLine, 1, sizeof kBlankLine - 1, stderr);
    written_ = false;
}

}  // namespace varnex
