#include "change/change_view.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "change/output_failure.h"
#include "change/stream_lines.h"
#include "output/dump.h"
#include "platform/terminal.h"

namespace varnex {
namespace {

constexpr std::uint32_t kRowBytes = 16;
constexpr char kOldColour[] = "\x1b[31m";
constexpr char kNewColour[] = "\x1b[32m";
constexpr char kPlain[] = "\x1b[0m";

// Where byte `i` of a row shows in a hex dump line after its offset column:
// the two hex digits, and the character.
std::size_t HexColumn(std::uint32_t i) { return 3 * i + (i >= 8 ? 2 : 0); }
std::size_t CharacterColumn(std::uint32_t i) { return 52 + i + (i >= 8 ? 1 : 0); }

struct Row {
    const std::uint8_t* bytes;
    std::uint32_t count;       // bytes of the row inside the page, 1 to 16
    const bool* changed;       // per byte of the row
};

// One dump line of the row: bytes past the page's end are left blank.
std::string DumpLine(std::uint32_t row_offset, const Row& row, std::size_t& offset_width) {
    std::uint8_t block[kRowBytes] = {};
    std::memcpy(block, row.bytes, row.count);
    char line[kDumpLineCapacity];
    std::string text(line, FormatHexDumpLine(line, row_offset, block) - 1);
    offset_width = text.find(':') + 2;
    for (std::uint32_t i = row.count; i < kRowBytes; ++i) {
        text.replace(offset_width + HexColumn(i), 2, "  ");
        text[offset_width + CharacterColumn(i)] = ' ';
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Each run of changed characters (a byte's two digits, neighbouring
// characters) is one coloured span.
std::string Coloured(const std::string& text, std::size_t offset_width, const Row& row, const char* colour) {
    std::string out;
    bool in_span = false;
    for (std::size_t at = 0; at < text.size(); ++at) {
        bool mark = false;
        for (std::uint32_t i = 0; i < row.count && !mark; ++i) {
            const std::size_t hex = offset_width + HexColumn(i);
            mark = row.changed[i] && (at == hex || at == hex + 1 || at == offset_width + CharacterColumn(i));
        }
        if (mark != in_span) out += mark ? colour : kPlain;
        in_span = mark;
        out += text[at];
    }
    if (in_span) out += kPlain;
    return out;
}

std::string MarkerLine(std::size_t offset_width, const Row& row, std::size_t length) {
    std::string marks(length, ' ');
    for (std::uint32_t i = 0; i < row.count; ++i) {
        if (!row.changed[i]) continue;
        marks.replace(offset_width + HexColumn(i), 2, "^^");
        marks[offset_width + CharacterColumn(i)] = '^';
    }
    marks.erase(marks.find_last_not_of(' ') + 1);
    return marks;
}

// The lines of one row with a change: old above new, the changed bytes
// coloured or, in plain text, marked on a line of their own.
std::vector<std::string> RowLines(std::uint32_t start, const Row& old_row, const Row& new_row, bool colour) {
    std::size_t width = 0;
    const std::string old_line = DumpLine(start, old_row, width);
    const std::string new_line = DumpLine(start, new_row, width);
    if (colour) {
        return {"old " + Coloured(old_line, width, old_row, kOldColour),
                "new " + Coloured(new_line, width, new_row, kNewColour)};
    }
    return {"old " + old_line, "new " + new_line, "    " + MarkerLine(width, new_row, new_line.size())};
}

}  // namespace

ChangeView::ChangeView(std::FILE* output, bool colour) : output_(output), colour_(colour) {}

bool ChangeView::WriteLine(const std::string& line) {
    std::string whole = line;
    whole += '\n';
    if (std::fwrite(whole.data(), 1, whole.size(), output_) == whole.size()) return true;
    error_ = OutputFailure();
    return false;
}

bool ChangeView::Add(const ChangedPage& page) {
    if (!error_.empty()) return false;
    if (page.old_bytes.size() != page.new_bytes.size()) {
        error_ = "the two sides of a page differ in length";
        return false;
    }
    const std::uint64_t differing = CountDifferingBytes(page);
    if (differing == 0) return true;
    std::string heading = "Page at ";
    heading += PageOffsetText(page.offset);
    heading += ": ";
    heading += std::to_string(differing);
    heading += differing == 1 ? " byte changes" : " bytes change";
    if (!WriteLine(heading)) return false;
    const auto length = static_cast<std::uint32_t>(page.old_bytes.size());
    for (std::uint32_t start = 0; start < length; start += kRowBytes) {
        bool changed[kRowBytes] = {};
        bool any = false;
        const std::uint32_t count = length - start < kRowBytes ? length - start : kRowBytes;
        for (std::uint32_t i = 0; i < count; ++i) {
            changed[i] = page.old_bytes[start + i] != page.new_bytes[start + i];
            any = any || changed[i];
        }
        if (!any) continue;
        const Row old_row{&page.old_bytes[start], count, changed};
        const Row new_row{&page.new_bytes[start], count, changed};
        for (const std::string& line : RowLines(start, old_row, new_row, colour_)) {
            if (!WriteLine(line)) return false;
        }
    }
    return true;
}

bool ChangeView::Finish() {
    if (!error_.empty()) return false;
    if (std::fflush(output_) == 0) return true;
    error_ = OutputFailure();
    return false;
}

const char* ChangeView::LastError() const { return error_.c_str(); }

bool WantsColour(std::FILE* stream) {
    const char* no_colour = std::getenv("NO_COLOR");
    return IsTerminal(stream) && (no_colour == nullptr || *no_colour == '\0');
}

}  // namespace varnex
