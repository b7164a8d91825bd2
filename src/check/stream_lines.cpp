#include "check/stream_lines.h"

#include "command/byte_source.h"
#include "command/line_reader.h"
#include "output/line_writer.h"

namespace varnex {
namespace {

// Keeps the first line the reader echoes (the only one of interest: an
// overlong line echoes its first 513 characters first) and counts the rest.
class FirstEcho final : public LineSink {
public:
    FirstEcho() : previous_(SetLineSink(this)) {}
    ~FirstEcho() override { SetLineSink(previous_); }
    FirstEcho(const FirstEcho&) = delete;
    FirstEcho& operator=(const FirstEcho&) = delete;

    void Put(const char* line, std::size_t length) override {
        if (echoes_++ > 0) return;
        if (length > 0 && line[length - 1] == '\n') --length;
        text_.assign(line, length);
    }
    const std::string& Text() const { return text_; }

private:
    LineSink* previous_;
    std::string text_;
    std::size_t echoes_ = 0;
};

// Pairs each view character with its raw byte. A byte value is either kept
// or dropped wherever it stands, so the next raw byte equal to the next view
// character is the one the reader kept.
std::vector<std::size_t> MapToRaw(std::string_view view, std::string_view raw) {
    std::vector<std::size_t> positions;
    positions.reserve(view.size());
    for (std::size_t r = 0; r < raw.size() && positions.size() < view.size(); ++r) {
        if (raw[r] == view[positions.size()]) positions.push_back(r);
    }
    return positions;
}

}  // namespace

bool RawLineSource::Next(std::string& line) {
    line.clear();
    int byte = source_.Next();
    if (byte == ByteSource::kEnd) return false;
    for (; byte != ByteSource::kEnd && byte != '\n'; byte = source_.Next()) line.push_back(static_cast<char>(byte));
    return true;
}

StreamLine ReadAsTheReaderDoes(std::string_view raw, std::size_t number) {
    StreamLine line;
    line.number = number;
    line.raw = raw;
    std::string terminated(raw);
    terminated += '\n';
    StringByteSource source(terminated);
    LineReader reader(source);
    FirstEcho echo;
    const char* text = reader.ReadLine();
    if (text != nullptr) {
        line.view = text;
    } else {
        line.view = echo.Text();
        line.fate = line.view.size() > kMaxLineLength ? LineFate::kOverlong : LineFate::kEndsStream;
    }
    line.raw_position = MapToRaw(line.view, raw);
    return line;
}

std::size_t RawColumn(const StreamLine& line, std::size_t index) {
    if (index < line.raw_position.size()) return line.raw_position[index] + 1;
    if (line.raw_position.empty()) return 1;
    return line.raw_position.back() + 2;
}

}  // namespace varnex
