#include "apply/apply_engine.h"

#include "apply/apply_modes.h"
#include "apply/page_run.h"

namespace varnex {

int RunApply(const ApplyRequest& given, DurableFileSystem& files, std::FILE* log_out, std::FILE* messages_out) {
    ApplyRequest request = given;
    if (request.journal_path.empty()) request.journal_path = request.file + kJournalSuffix;
    const ApplyReport report(messages_out, request.quiet);
    // Standard output keeps varnex's own sink, so the log has its exact bytes
    // on every platform; another stream (or none) gets the lines as they are.
    FileLogSink log(log_out);
    LineSink* previous = log_out == stdout ? SetLineSink(nullptr) : SetLineSink(&log);
    TargetFile target(files, request.file);
    bool busy = false;
    std::string error;
    int status = kApplyTrouble;
    if (!target.Open(busy, error)) {
        report.Say(error);
    } else if (request.mode == ApplyRequest::Mode::kApply) {
        status = ApplyStreams(request, target, report);
    } else if (request.mode == ApplyRequest::Mode::kRollback) {
        status = RollBack(request, target, report);
    } else {
        status = ShowStatus(request, target, report, log_out);
    }
    SetLineSink(previous);
    return status;
}

}  // namespace varnex
