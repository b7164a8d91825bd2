#include "diff/common_holes.h"

#include <algorithm>

#include "platform/data_ranges.h"

namespace varnex {
namespace {

// Holes shorter than this are read like data: a read of a few zeros costs
// less than the calls that would find them.
constexpr std::uint64_t kShortestSkip = 256 << 10;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) { return value + (unit - value % unit) % unit; }

}  // namespace

CommonHoles::CommonHoles(FileHandle old_file, FileHandle new_file, std::uint64_t size, std::uint32_t page_size,
                         bool usable)
    : old_file_(old_file), new_file_(new_file), size_(size), page_size_(page_size), usable_(usable) {}

// A file system that cannot tell once is not asked again.
bool CommonHoles::Ask(FileHandle file, std::uint64_t from, std::uint64_t& start, std::uint64_t& end) {
    if (usable_ && !NextData(file, from, start, end)) usable_ = false;
    return usable_;
}

// Data starts in one file or the other at the nearer of the two data starts;
// the bytes before the page holding it are a hole in both. Reading then runs
// to the end of that file's data (rounded up to a page), where the holes are
// asked about again.
ReadStretch CommonHoles::Next(std::uint64_t from) {
    std::uint64_t old_start = 0, old_end = 0, new_start = 0, new_end = 0;
    if (!Ask(old_file_, from, old_start, old_end) || !Ask(new_file_, from, new_start, new_end)) return {from, size_};
    const std::uint64_t data = std::min({old_start, new_start, size_});
    const std::uint64_t start = std::max(from, data - data % page_size_);
    const std::uint64_t data_end = old_start <= new_start ? old_end : new_end;
    const std::uint64_t end = std::max(RoundUp(std::min(data_end, size_), page_size_), RoundUp(start + kShortestSkip, page_size_));
    return {start, std::min(end, size_)};
}

}  // namespace varnex
