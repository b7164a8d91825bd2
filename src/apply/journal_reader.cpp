#include "apply/journal_reader.h"

#include <cstdlib>
#include <vector>

#include "apply/journal_writer.h"
#include "change/error_text.h"
#include "command/command_reader.h"
#include "output/line_writer.h"

namespace varnex {
namespace {

// The journal's bytes through the file system, in blocks; a read failure
// ends the bytes and is remembered.
class JournalBytes final : public ByteSource {
public:
    JournalBytes(DurableFileSystem& files, FileHandle file) : files_(&files), file_(file) {}
    explicit JournalBytes(const std::string& text) : text_(&text) {}
    int Next() override {
        if (text_ != nullptr) return position_ < text_->size() ? static_cast<unsigned char>((*text_)[position_++]) : kEnd;
        if (position_ == filled_ && !Fill()) return kEnd;
        return buffer_[position_++];
    }
    bool Failed() const { return failed_; }
    void Restart() {
        position_ = filled_ = 0;
        ErrorCode code = 0;
        if (files_ != nullptr && files_->Seek(file_, 0, code) != 0) failed_ = true, error_ = code;
    }
    ErrorCode Error() const { return error_; }

private:
    bool Fill() {
        if (failed_) return false;
        const CallResult got = files_->Read(file_, buffer_.data(), buffer_.size(), error_);
        failed_ = got.failed;
        position_ = 0;
        filled_ = got.failed ? 0 : got.moved;
        return filled_ > 0;
    }
    DurableFileSystem* files_ = nullptr;
    FileHandle file_ = kNoFile;
    const std::string* text_ = nullptr;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(65536);
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    bool failed_ = false;
    ErrorCode error_ = 0;
};

// The lines around the commands: the tie at the top, the end line and the
// marks after "/*"; and the checksum of every byte up to the end line.
struct Frame {
    bool first_line_right = false;
    bool first_line_cut = false;  // the bytes end inside a first line that begins as a journal's does
    bool ended = false;
    std::uint64_t pages = 0;
    std::string checksum;
    std::uint64_t hash = kFnvStart;
};

void TakeTrailerLine(const std::string& line, Frame& frame, Journal& journal) {
    const std::string prefix = kEndLinePrefix;
    if (!frame.ended) {
        if (line.compare(0, prefix.size(), prefix) != 0) return;
        frame.ended = true;
        frame.pages = std::strtoull(line.c_str() + prefix.size(), nullptr, 10);
        const std::size_t at = line.rfind(' ');
        frame.checksum = line.substr(at + 1);
        return;
    }
    if (line == kCompleteMark) journal.complete = true, journal.rolled_back = false;
    if (line == kRolledBackMark) journal.rolled_back = true, journal.complete = false;
}

// Reads the lines; a line longer than any the journal writes is cut, which
// spoils its match but keeps memory small. Stops at a first line that is not
// a journal's.
void ReadFrame(ByteSource& bytes, Frame& frame, Journal& journal) {
    std::string line;
    bool in_body = true;
    bool first = true;
    for (int c = bytes.Next(); c != ByteSource::kEnd; c = bytes.Next()) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (in_body) frame.hash = Fnv64(&byte, 1, frame.hash);
        if (c != '\n') {
            if (line.size() < 600) line += static_cast<char>(c);
            continue;
        }
        if (first) frame.first_line_right = line == std::string("* ") + kJournalFirstLine;
        // Not a journal (a file named by mistake): no need to read it all.
        if (!frame.first_line_right) return;
        if (in_body && line.compare(0, 2, "* ") == 0) TakeTieLine(line.substr(2), journal.tie);
        if (!in_body) TakeTrailerLine(line, frame, journal);
        if (in_body && line.compare(0, 2, "/*") == 0) in_body = false;
        first = false;
        line.clear();
    }
    const std::string expected = std::string("* ") + kJournalFirstLine;
    frame.first_line_cut = first && expected.compare(0, line.size(), line) == 0;
}

// The command lines of the page being read: VER (bytes after) and REP
// (bytes before), paired line by line.
struct PageLines {
    std::vector<PlanRun> verified;
    std::vector<PlanRun> replaced;
};

bool FinishPage(PlanPage& page, PageLines& lines, Plan& plan) {
    if (lines.verified.size() != lines.replaced.size() || lines.verified.empty()) return false;
    for (std::size_t i = 0; i < lines.verified.size(); ++i) {
        PlanRun& run = lines.verified[i];
        if (run.start != lines.replaced[i].start || run.new_bytes.size() != lines.replaced[i].new_bytes.size()) return false;
        if (!page.runs.empty() && run.start < page.SpanEnd()) return false;
        // Every run lies inside a page of the journal's page size.
        if (run.start > plan.page_size || run.new_bytes.size() > plan.page_size - run.start) return false;
        run.old_bytes = std::move(lines.replaced[i].new_bytes);
        page.runs.push_back(std::move(run));
    }
    plan.pages.push_back(std::move(page));
    lines = {};
    return true;
}

// Any message of the reader (an operand it refuses) means the journal is not
// what this program wrote.
class QuietReaderLog final : public LineSink {
public:
    void Put(const char*, std::size_t) override { complained = true; }
    void PutEcho(const char*, std::size_t) override {}
    bool complained = false;
};

bool TakeCommand(const Command& command, PlanPage& page, bool& in_page, PageLines& lines, Plan& plan) {
    switch (command.code) {
        case CommandCode::kPageSize: return !in_page && plan.pages.empty();
        case CommandCode::kPage:
            if (in_page) return false;
            page = {};
            page.offset = (static_cast<std::uint64_t>(command.value_a) << 32) | command.value_b;
            in_page = true;
            return plan.pages.empty() || page.offset >= plan.pages.back().offset + plan.pages.back().SpanEnd();
        case CommandCode::kVerify:
        case CommandCode::kReplace: {
            if (!in_page || command.byte_count == 0) return false;
            PlanRun run;
            run.start = command.value_b;
            run.new_bytes.assign(command.data, command.data + command.byte_count);
            (command.code == CommandCode::kVerify ? lines.verified : lines.replaced).push_back(std::move(run));
            return command.code == CommandCode::kVerify ? lines.replaced.empty() : true;
        }
        case CommandCode::kWrite:
            in_page = false;
            return FinishPage(page, lines, plan);
        default: return false;
    }
}

bool ReadPages(ByteSource& bytes, Plan& plan) {
    QuietReaderLog log;
    LineSink* previous = SetLineSink(&log);
    CommandReader reader(bytes);
    Command command;
    PlanPage page;
    PageLines lines;
    bool in_page = false;
    bool right = true;
    while (right && reader.ReadCommand(plan.page_size, command) != CommandCode::kEndOfStream) {
        right = TakeCommand(command, page, in_page, lines, plan) && !log.complained;
    }
    SetLineSink(previous);
    return right && !in_page && !log.complained;
}

JournalState ReadFromBytes(JournalBytes& bytes, Journal& journal, std::string& reason) {
    Frame frame;
    ReadFrame(bytes, frame, journal);
    if (bytes.Failed()) return reason = ErrorText(bytes.Error()), JournalState::kUnreadable;
    if (frame.first_line_cut) return reason = "it ends inside its first line: it was cut short while it was written", JournalState::kUnended;
    if (!frame.first_line_right) return reason = "it is not a journal of varnex-apply", JournalState::kCorrupt;
    if (!frame.ended) return reason = "it ends before its end line: it was cut short while it was written", JournalState::kUnended;
    if (frame.checksum != HexOf(frame.hash)) return reason = "its checksum does not match: it is damaged", JournalState::kCorrupt;
    bytes.Restart();
    journal.plan.page_size = journal.tie.page_size;
    if (!ReadPages(bytes, journal.plan) || journal.plan.pages.size() != frame.pages) {
        return reason = "its pages do not read as its end line says", JournalState::kCorrupt;
    }
    if (bytes.Failed()) return reason = ErrorText(bytes.Error()), JournalState::kUnreadable;
    return JournalState::kRead;
}

}  // namespace

JournalState ReadJournal(DurableFileSystem& files, const std::string& path, Journal& journal, std::string& reason) {
    bool missing = false;
    ErrorCode code = 0;
    const FileHandle file = files.OpenForReading(path.c_str(), missing, code);
    if (file == kNoFile) {
        reason = ErrorText(code);
        return missing ? JournalState::kMissing : JournalState::kUnreadable;
    }
    JournalBytes bytes(files, file);
    const JournalState state = ReadFromBytes(bytes, journal, reason);
    files.Close(file);
    return state;
}

JournalState ReadJournalText(const std::string& text, Journal& journal, std::string& reason) {
    JournalBytes bytes(text);
    return ReadFromBytes(bytes, journal, reason);
}

}  // namespace varnex
