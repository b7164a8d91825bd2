#include "change/stream_writer.h"

#include <utility>

#include "change/byte_difference.h"
#include "change/output_failure.h"
#include "change/stream_lines.h"

namespace varnex {
namespace {

// A comment holds only the characters a command line can hold, and stays
// well below the longest line the reader executes.
std::string CommentLine(const std::string& text) {
    constexpr std::size_t kLongestComment = 200;
    std::string line = "* ";
    for (const char c : text.substr(0, kLongestComment)) {
        const auto code = static_cast<unsigned char>(c);
        line += (code >= 32 && code < 127) ? c : '?';
    }
    line += '\n';
    return line;
}

}  // namespace

StreamWriter::StreamWriter(std::FILE* output, StreamWriterOptions options)
    : output_(output), options_(std::move(options)) {}

bool StreamWriter::Fail(const char* reason) {
    error_ = reason;
    return false;
}

bool StreamWriter::Add(const ChangedPage& page) {
    if (!error_.empty()) return false;
    if (page.old_bytes.size() != page.new_bytes.size()) return Fail("the two sides of a page differ in length");
    if (page.old_bytes.size() > options_.page_size) return Fail("a page is longer than the page size");
    const std::vector<Stretch> stretches = FindStretches(page);
    if (stretches.empty()) return true;
    std::string lines = "PAGE ";
    lines += PageOffsetText(page.offset);
    lines += '\n';
    if (options_.verify_pages) {
        AppendDataLines(lines, "VER", page.old_bytes.data(), 0, static_cast<std::uint32_t>(page.old_bytes.size()));
    } else {
        for (const Stretch& s : stretches) AppendDataLines(lines, "VER", &page.old_bytes[s.start], s.start, s.end - s.start);
    }
    for (const Stretch& s : stretches) AppendDataLines(lines, "REP", &page.new_bytes[s.start], s.start, s.end - s.start);
    lines += "WRITE\n";
    if (!body_.Append(lines)) return Fail(body_.Error());
    bytes_changed_ += CountDifferingBytes(page);
    NoteLetterCase(page);
    ++pages_changed_;
    return true;
}

void StreamWriter::NoteLetterCase(const ChangedPage& page) {
    if (!DiffersOnlyInLetterCase(page.old_bytes.data(), page.new_bytes.data(), page.old_bytes.size())) return;
    if (case_only_offsets_.size() < kCaseOnlyPagesKept) case_only_offsets_.push_back(page.offset);
    ++case_only_pages_;
}

namespace {

// "N pages change only the case of letters, ...", or "" when none does.
std::string LetterCaseComment(std::uint64_t pages) {
    if (pages == 0) return "";
    std::string text = std::to_string(pages);
    text += pages == 1 ? " page changes" : " pages change";
    text += " only the case of letters, which VER ignores: ";
    text += pages == 1 ? "it is" : "they are";
    text += " written on a file that differs from the old one in letter case too.";
    return CommentLine(text);
}

}  // namespace

bool StreamWriter::WriteHeading() {
    std::string heading;
    for (const std::string& line : options_.made_by) heading += CommentLine(line);
    std::string counts = std::to_string(bytes_changed_);
    counts += bytes_changed_ == 1 ? " byte changes in " : " bytes change in ";
    counts += std::to_string(pages_changed_);
    counts += pages_changed_ == 1 ? " page." : " pages.";
    heading += CommentLine(counts);
    heading += LetterCaseComment(case_only_pages_);
    heading += "PAGESIZE ";
    heading += std::to_string(options_.page_size);
    heading += '\n';
    return std::fwrite(heading.data(), 1, heading.size(), output_) == heading.size();
}

bool StreamWriter::Finish() {
    if (!error_.empty()) return false;
    if (finished_) return true;
    finished_ = true;
    if (!WriteHeading()) return Fail(OutputFailure().c_str());
    if (!body_.CopyTo(output_)) return Fail(*body_.Error() != '\0' ? body_.Error() : OutputFailure().c_str());
    if (std::fwrite("/*\n", 1, 3, output_) != 3 || std::fflush(output_) != 0) return Fail(OutputFailure().c_str());
    return true;
}

void StreamWriter::SetMadeBy(std::vector<std::string> made_by) { options_.made_by = std::move(made_by); }
const char* StreamWriter::LastError() const { return error_.c_str(); }
std::uint64_t StreamWriter::CaseOnlyPages() const { return case_only_pages_; }
const std::vector<std::uint64_t>& StreamWriter::CaseOnlyOffsets() const { return case_only_offsets_; }
std::uint64_t StreamWriter::BytesChanged() const { return bytes_changed_; }
std::uint64_t StreamWriter::PagesChanged() const { return pages_changed_; }

}  // namespace varnex
