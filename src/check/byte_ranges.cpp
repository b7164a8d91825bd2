#include "check/byte_ranges.h"

#include <algorithm>

namespace varnex {

void ByteRanges::Add(std::uint64_t begin, std::uint64_t end) {
    if (begin >= end) return;
    // Ranges that touch or overlap the new one are merged into it.
    auto first = std::find_if(ranges_.begin(), ranges_.end(), [&](const ByteRange& r) { return r.end >= begin; });
    auto last = std::find_if(first, ranges_.end(), [&](const ByteRange& r) { return r.begin > end; });
    if (first != last) {
        begin = std::min(begin, first->begin);
        end = std::max(end, (last - 1)->end);
    }
    const auto place = ranges_.erase(first, last);
    ranges_.insert(place, ByteRange{begin, end});
}

std::vector<ByteRange> ByteRanges::Uncovered(std::uint64_t begin, std::uint64_t end) const {
    std::vector<ByteRange> uncovered;
    for (const ByteRange& r : ranges_) {
        if (begin >= end) break;
        if (r.end <= begin) continue;
        if (r.begin >= end) break;
        if (r.begin > begin) uncovered.push_back({begin, r.begin});
        begin = std::max(begin, r.end);
    }
    if (begin < end) uncovered.push_back({begin, end});
    return uncovered;
}

std::string DescribeRanges(const std::vector<ByteRange>& ranges) {
    std::string text;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        if (i > 0) text += i + 1 == ranges.size() ? " and " : ", ";
        text += std::to_string(ranges[i].begin);
        if (ranges[i].end - ranges[i].begin > 1) {
            text += " to ";
            text += std::to_string(ranges[i].end - 1);
        }
    }
    return text;
}

}  // namespace varnex
