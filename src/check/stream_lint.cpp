#include "check/stream_lint.h"

#include <string>

#include "check/byte_slips.h"
#include "check/data_slips.h"
#include "check/line_context.h"
#include "check/operand_slips.h"
#include "check/page_tracker.h"
#include "check/stream_lines.h"
#include "check/verb_slips.h"

namespace varnex {
namespace {

class StreamLint {
public:
    explicit StreamLint(std::uint32_t page_size) : tracker_(page_size) {}

    // Returns false once the stream has ended at this line.
    bool Line(const StreamLine& line, RawLineSource& later_lines) {
        switch (line.fate) {
            case LineFate::kOverlong:
                CheckOverlong(line, findings_);
                return true;
            case LineFate::kEndsStream:
                CheckStreamEnd(line, later_lines);
                return false;
            case LineFate::kRead:
                break;
        }
        const LineContext context = MakeLineContext(line, tracker_.PageSize());
        CheckDroppedBytes(context, findings_);
        if (const auto mistyped = CheckFirstWord(context, findings_)) tracker_.NoteMistypedVerb(*mistyped);
        CheckMissingOperands(context, findings_);
        if (!context.Executes()) return true;
        commands_seen_ = true;
        tracker_.NoteMisplacedPage(CheckNumberOperands(context, findings_));
        CheckWordKind(context, findings_);
        CheckData(context, findings_);
        CheckIgnoredWords(context, findings_);
        tracker_.Apply(context, findings_);
        return true;
    }

    std::vector<Finding> Finish() && {
        tracker_.Finish(findings_);
        return std::move(findings_).Sorted();
    }

private:
    // A "/*" line ends the stream: before any command nothing runs at all;
    // with commands after it, those never run.
    void CheckStreamEnd(const StreamLine& line, RawLineSource& later_lines) {
        if (!commands_seen_) {
            findings_.Add(line, 0, Severity::kError,
                          "the stream ends at this /* line before any command: nothing runs");
            return;
        }
        const std::size_t later = CountCommandLines(later_lines, line.number);
        if (later == 0) return;
        findings_.Add(line, 0, Severity::kWarning,
                      "the stream ends here: " + std::to_string(later) +
                          (later == 1 ? " command line" : " command lines") + " after it never run" +
                          (later == 1 ? "s" : ""));
    }

    static std::size_t CountCommandLines(RawLineSource& later_lines, std::size_t after) {
        std::size_t count = 0;
        std::string raw;
        for (std::size_t number = after + 1; later_lines.Next(raw); ++number) {
            const StreamLine line = ReadAsTheReaderDoes(raw, number);
            if (line.fate == LineFate::kRead && MakeLineContext(line, 0).Executes()) ++count;
        }
        return count;
    }

    PageTracker tracker_;
    FindingList findings_;
    bool commands_seen_ = false;
};

}  // namespace

std::vector<Finding> LintStream(ByteSource& stream, std::uint32_t page_size) {
    RawLineSource lines(stream);
    StreamLint lint(page_size);
    std::string raw;
    for (std::size_t number = 1; lines.Next(raw); ++number) {
        if (!lint.Line(ReadAsTheReaderDoes(raw, number), lines)) break;
    }
    return std::move(lint).Finish();
}

std::vector<Finding> LintStream(std::string_view stream, std::uint32_t page_size) {
    StringByteSource source(stream);
    return LintStream(source, page_size);
}

}  // namespace varnex
