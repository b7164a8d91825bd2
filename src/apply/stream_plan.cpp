#include "apply/stream_plan.h"

#include <algorithm>
#include <string_view>

#include "apply/check_observer.h"
#include "apply/original_view.h"
#include "change/error_text.h"
#include "dryrun/dry_run.h"
#include "dryrun/dry_run_changes.h"
#include "output/line_writer.h"
#include "platform/transfer.h"

namespace varnex {
namespace {

// Keeps the dry run's log from the screen, noting each W or E message with
// the command line echoed before it, that line's place in the streams, and
// the page last loaded.
class FailureLog final : public LineSink {
public:
    FailureLog(std::vector<std::string>& failures, const ApplyRequest& request)
        : failures_(failures), request_(request) {}
    void Put(const char* line, std::size_t length) override {
        const std::string text = WithoutNewline(line, length);
        constexpr std::string_view kLoaded = "MIP0110I: Page command completed ";
        if (text.compare(0, kLoaded.size(), kLoaded) == 0) {
            const std::size_t at = text.rfind("offset ");
            page_ = at == std::string::npos ? "" : text.substr(at + 7, 19);
        }
        if (text.size() > 8 && text.compare(0, 3, "MIP") == 0 && (text[7] == 'W' || text[7] == 'E')) {
            const std::string place = request_.name_line ? request_.name_line(lines_) : "stream line " + std::to_string(lines_);
            const std::string page = page_.empty() ? "" : " (page at " + page_ + ")";
            failures_.push_back(place + ": '" + last_echo_ + "'" + page + ": " + text);
        }
    }
    void PutEcho(const char* line, std::size_t length) override {
        ++lines_;
        last_echo_ = WithoutNewline(line, length);
    }

private:
    static std::string WithoutNewline(const char* line, std::size_t length) {
        return std::string(line, length > 0 && line[length - 1] == '\n' ? length - 1 : length);
    }

    std::vector<std::string>& failures_;
    const ApplyRequest& request_;
    std::size_t lines_ = 0;
    std::string last_echo_;
    std::string page_;
};

constexpr int kMostRounds = 16;

bool ReadOld(TargetFile& target, OriginalView& view, ChangedPage& page, std::string& error) {
    ErrorCode code = 0;
    const auto count = static_cast<std::uint32_t>(page.old_bytes.size());
    TransferResult read{};
    if (view.Seek(target.Handle(), page.offset, code) == 0) {
        read = ReadPage(view, target.Handle(), page.old_bytes.data(), count);
        code = read.error;
    }
    if (read.done == count && !read.failed) return true;
    error = "cannot read " + target.Name() + " at " + OffsetText(page.offset) + ": " +
            (read.failed || code != 0 ? ErrorText(code) : std::string("it is shorter than the dry run found it"));
    return false;
}

// Each written stretch cut into pages of `page_size` from its first byte.
bool TakeWrites(const OverlayFileSystem& overlay, TargetFile& target, OriginalView& view, JournalWriter* journal,
                Plan& plan, std::string& error) {
    for (const WrittenStretch& written : overlay.WrittenStretches()) {
        for (std::uint64_t start = 0; start < written.length; start += plan.page_size) {
            const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(plan.page_size, written.length - start));
            ChangedPage page;
            page.offset = written.first + start;
            page.old_bytes.resize(length);
            page.new_bytes.resize(length);
            ErrorCode code = 0;
            if (!overlay.ReadWritten(page.offset, page.new_bytes.data(), length, code)) {
                return error = "cannot read back what the dry run wrote: " + ErrorText(code), false;
            }
            if (!ReadOld(target, view, page, error)) return false;
            PlanPage planned;
            if (!MakePlanPage(page, planned)) continue;
            if (journal != nullptr && !journal->Add(page)) return error = "cannot keep the journal's pages", false;
            plan.pages.push_back(std::move(planned));
        }
    }
    return true;
}

// The clean run's pages: old from the file as it was, new from the overlay.
bool TakePlan(const ApplyRequest& request, const OverlayFileSystem& overlay, TargetFile& target, OriginalView& view,
              const JournalTie* tie, StreamPlan& result, std::string& error) {
    result.plan.page_size = ChangePageSize(overlay, request.page_size);
    if (tie != nullptr) {
        JournalTie sized = *tie;
        sized.page_size = result.plan.page_size;
        result.journal = std::make_unique<JournalWriter>(sized, result.plan.page_size);
    }
    return TakeWrites(overlay, target, view, result.journal.get(), result.plan, error);
}

// One dry run over the file with the original bytes known so far laid over
// it; `found` gets the ones its checks tell anew.
DryRunResult DryRunOver(const ApplyRequest& request, OverlayFileSystem& overlay, const OriginalBytes& known,
                        OriginalBytes& found, std::vector<std::string>& failures) {
    failures.clear();
    CheckObserver observer(overlay, known, found);
    CommandObserver* previous_observer = SetCommandObserver(&observer);
    FailureLog log(failures, request);
    LineSink* previous = SetLineSink(&log);
    const DryRunResult run = RunDryRun(request.file.c_str(), request.page_size_switch, request.streams_text, overlay);
    SetLineSink(previous);
    SetCommandObserver(previous_observer);
    return run;
}

}  // namespace

bool PlanFromStream(const ApplyRequest& request, TargetFile& target, const JournalTie* tie, StreamPlan& result,
                    std::string& error) {
    OriginalBytes original;
    for (int round = 0; round < kMostRounds; ++round) {
        OriginalView view(target.Files(), original);
        OverlayFileSystem overlay(view);
        OriginalBytes found;
        const DryRunResult run = DryRunOver(request, overlay, original, found, result.failures);
        if (!run.file_opened) return error = "the dry run cannot open " + request.file, false;
        result.fits = !run.warnings_or_errors;
        result.reconstructed = !original.empty();
        if (result.fits) return TakePlan(request, overlay, target, view, tie, result, error);
        if (found.empty()) return true;
        original.merge(found);
    }
    return true;
}

}  // namespace varnex
