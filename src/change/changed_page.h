#pragma once
// One page of a set of changes between two files of equal size, and the
// interface of whatever takes such pages one by one: a command-stream writer,
// a printed view of the changes.

#include <cstdint>
#include <vector>

namespace varnex {

// One page of a set of changes: where it starts in the file, the bytes the
// file holds there now and the bytes it is to hold (the two are equally
// long). A page is what one PAGE loads and one WRITE writes back, so bytes
// equal on both sides are allowed. Pages come in increasing offset order and
// never overlap.
struct ChangedPage {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> old_bytes;
    std::vector<std::uint8_t> new_bytes;
};

// Takes the pages of a set of changes one by one. false from Add or Finish:
// the output failed (its reason is in LastError()), and the producer stops.
class ChangeSink {
public:
    virtual ~ChangeSink() = default;
    virtual bool Add(const ChangedPage& page) = 0;
    virtual bool Finish() = 0;
    // Why the last Add or Finish failed, in words ("" while nothing failed).
    virtual const char* LastError() const { return ""; }
};

}  // namespace varnex
