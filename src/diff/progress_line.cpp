#include "diff/progress_line.h"

#include <cstdio>

namespace varnex {
namespace {

constexpr char kBlankLine[] = "\r                         \r";

}  // namespace

ProgressLine::ProgressLine(bool shown, std::uint64_t total, std::FILE* output, std::chrono::milliseconds interval)
    : shown_(shown), total_(total), output_(output), interval_(interval),
      next_(std::chrono::steady_clock::now() + interval) {}

// Progress is only a courtesy: a failed write of it is not an error. The
// percentage is worked out in floating point, where no size can overflow.
void ProgressLine::Reached(std::uint64_t done) {
    if (!shown_ || total_ == 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < next_) return;
    next_ = now + interval_;
    char line[48];
    const int length = std::snprintf(line, sizeof line, "\rvarnex-diff: %3u%%",
                                     static_cast<unsigned>(static_cast<double>(done) * 100 / static_cast<double>(total_)));
    (void)std::fwrite(line, 1, static_cast<std::size_t>(length), output_);
    written_ = true;
}

void ProgressLine::Clear() {
    if (written_) (void)std::fwrite(kBlankLine, 1, sizeof kBlankLine - 1, output_);
    written_ = false;
}

}  // namespace varnex
