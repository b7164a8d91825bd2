#pragma once
// A command stream cut into its lines, each paired with what the command
// reader makes of it. The reader itself decides: every line is passed
// through a LineReader, so bytes are dropped, lines are cut and the stream
// ends exactly where a real run would do so.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "command/byte_source.h"

namespace varnex {

enum class LineFate {
    kRead,        // the reader hands the line on (a command, a comment or a blank line)
    kOverlong,    // longer than 512 characters: echoed in pieces of 513 and never executed
    kEndsStream,  // begins with "/*": the stream ends here
};

struct StreamLine {
    std::size_t number = 0;  // 1-based
    std::string_view raw;    // the bytes of the line, without its line feed
    // The line as the reader holds it; of an overlong line, the first 513
    // characters it echoes.
    std::string view;
    // For each character of `view`, its 0-based position in `raw`.
    std::vector<std::size_t> raw_position;
    LineFate fate = LineFate::kRead;
};

// The raw lines of a stream, read one at a time from a source so that only
// the line in hand is in memory; each comes without its line feed. A last
// line without a line feed is a line too; a stream that ends with a line
// feed has no empty line after it.
class RawLineSource {
public:
    explicit RawLineSource(ByteSource& source) : source_(source) {}
    // Puts the next raw line in `line`; false when the stream has no more.
    bool Next(std::string& line);

private:
    ByteSource& source_;
};

// What the reader makes of one raw line.
StreamLine ReadAsTheReaderDoes(std::string_view raw, std::size_t number);

// The 1-based column in the raw line of the view character at `index`; an
// index at the end of the view gives the column after the line's last byte.
std::size_t RawColumn(const StreamLine& line, std::size_t index);

}  // namespace varnex
