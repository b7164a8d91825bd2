#pragma once
// Assembles command lines from the byte stream and echoes each completed line.

#include <cstddef>

#include "command/byte_source.h"

namespace varnex {

inline constexpr std::size_t kMaxLineLength = 512;

class LineReader {
public:
    explicit LineReader(ByteSource& source) : source_(source) {}

    // Reads, echoes and returns the next line (terminated, at most 512
    // characters of codes 32 to 127). Returns nullptr when the stream has
    // ended: at the end of input, or at a line beginning with "/*" (which is
    // echoed first).
    const char* ReadLine();

private:
    ByteSource& source_;
    char line_[kMaxLineLength + 2] = {};
    bool ended_ = false;
};

}  // namespace varnex
