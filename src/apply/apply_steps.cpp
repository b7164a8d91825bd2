#include "apply/apply_steps.h"

#include <cstdio>

#include "apply/page_run.h"
#include "change/error_text.h"

namespace varnex {

JournalTie TieOf(const ApplyRequest& request, const TargetFile& target) {
    JournalTie tie;
    tie.file_name = request.file;
    tie.identity = target.Identity();
    tie.size = target.Size();
    tie.streams = request.stream_names;
    tie.stream_hash = HexOf(Fnv64(request.streams_text.data(), request.streams_text.size()));
    tie.page_size = request.page_size;
    return tie;
}

std::size_t ReportForeign(const Plan& plan, const Census& census, const ApplyReport& report) {
    std::size_t foreign = 0;
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        if (census.states[i] != PageProgress::kForeign) continue;
        report.Say("page at " + OffsetText(plan.pages[i].offset) + ": the byte at " +
                   OffsetText(census.foreign_offsets[foreign]) +
                   " is neither its old nor its new value (not the file the streams were made for, "
                   "or someone else wrote there)");
        ++foreign;
    }
    return foreign;
}

bool WriteTowards(const ApplyRequest& request, TargetFile& target, const Plan& plan, const Census& census,
                  PageProgress goal, bool user_streams, const ApplyReport& report) {
    std::string error;
    if (user_streams) {
        RunUserStreams(request, target);
    } else if (!RunMadeStream(request, target, plan, census, goal, error)) {
        report.Say(error);
        return false;
    }
    ErrorCode code = 0;
    if (!target.Files().Sync(target.Handle(), code)) {
        report.Say("cannot sync " + target.Name() + ": " + ErrorText(code) + "; run again, or take it back with --rollback");
        return false;
    }
    Census after;
    if (!TakeCensus(target, plan, after, error)) return report.Say(error), false;
    if (after.All(goal)) return true;
    report.Say("reading " + target.Name() + " back, " + std::to_string(after.states.size() - after.Count(goal)) +
               " pages do not hold what was written; the journal stays unfinished: run again, or take it back with --rollback");
    return false;
}

std::string Summary(const char* what, const Plan& plan, const Census& census, PageProgress goal,
                    const std::string& journal, const ApplyReport& report) {
    std::size_t pages = 0;
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        if (census.states[i] == goal) continue;
        ++pages;
        for (const PlanRun& run : plan.pages[i].runs) bytes += run.old_bytes.size();
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", report.Seconds());
    return std::string(what) + ": " + std::to_string(pages) + " pages (" + std::to_string(bytes) +
           " bytes) written, journal " + journal + ", " + seconds + " s";
}

}  // namespace varnex
