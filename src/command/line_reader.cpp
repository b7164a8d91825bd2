#include "command/line_reader.h"

#include <string_view>

#include "output/line_writer.h"

namespace varnex {
namespace {

constexpr int kLineFeed = 10;

bool IsStoredCharacter(int byte) { return byte >= 32 && byte <= 127; }

bool EndsTheStream(const char* line, std::size_t length) {
    return length >= 2 && line[0] == '/' && line[1] == '*';
}

}  // namespace

// Characters 32..127 are collected; a line feed ends the line; every other
// byte (control characters, tab, carriage return, 128..255) is dropped. When
// a 513th character arrives the collected piece is echoed and the line is
// marked overlong: it is never executed, and the rest up to its line feed is
// collected in further echoed pieces and then discarded.
const char* LineReader::ReadLine() {
    if (ended_) return nullptr;
    std::size_t length = 0;
    bool overlong = false;
    for (;;) {
        const int byte = source_.Next();
        if (byte == ByteSource::kEnd) {
            ended_ = true;
            // A last line without its line feed still counts as a line; the
            // tail of an overlong line does not.
            if (overlong || length == 0) return nullptr;
            break;
        }
        if (IsStoredCharacter(byte)) {
            line_[length] = static_cast<char>(byte);
            if (length == kMaxLineLength) {
                WriteEchoLine(std::string_view(line_, kMaxLineLength + 1));
                overlong = true;
                length = 0;
            } else {
                ++length;
            }
            continue;
        }
        if (byte != kLineFeed) continue;
        if (!overlong) break;
        overlong = false;
        length = 0;
    }
    line_[length] = '\0';
    WriteEchoLine(std::string_view(line_, length));
    if (EndsTheStream(line_, length)) {
        ended_ = true;
        return nullptr;
    }
    return line_;
}

}  // namespace varnex
