#pragma once
// The bytes of a page that some commands have covered, as ranges of offsets,
// and the bytes of a later command that they leave out.

#include <cstdint>
#include <string>
#include <vector>

namespace varnex {

struct ByteRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // one past the last byte
};

class ByteRanges {
public:
    // Adds the bytes [begin, end); an empty range adds nothing.
    void Add(std::uint64_t begin, std::uint64_t end);
    void Clear() { ranges_.clear(); }
    // The bytes of [begin, end) that no range added holds, in order.
    std::vector<ByteRange> Uncovered(std::uint64_t begin, std::uint64_t end) const;

private:
    std::vector<ByteRange> ranges_;  // in order, none touching another
};

// "9", "4 to 7", "4 to 7, 9 and 12 to 13".
std::string DescribeRanges(const std::vector<ByteRange>& ranges);

}  // namespace varnex
