#include "apply/apply_modes.h"

#include "apply/apply_steps.h"
#include "apply/journal_reader.h"
#include "apply/stream_plan.h"

namespace varnex {
namespace {

const char* StateName(PageProgress state) {
    switch (state) {
        case PageProgress::kDone: return "applied";
        case PageProgress::kNotStarted: return "not applied";
        case PageProgress::kTorn: return "torn";
        case PageProgress::kForeign: return "foreign";
    }
    return "?";
}

int StatusOf(const Census& census) {
    if (census.Count(PageProgress::kForeign) > 0) return kStatusForeign;
    if (census.All(PageProgress::kDone)) return kApplyDone;
    if (census.All(PageProgress::kNotStarted)) return kApplyRefused;
    return kStatusPartly;
}

void Print(std::FILE* out, const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), out);
}

int Tell(const Plan& plan, TargetFile& target, const ApplyReport& report, std::FILE* out) {
    Census census;
    std::string error;
    if (!TakeCensus(target, plan, census, error)) return report.Say(error), kApplyTrouble;
    for (std::size_t i = 0; i < plan.pages.size() && !report.Quiet(); ++i) {
        Print(out, "page " + OffsetText(plan.pages[i].offset) + ": " + StateName(census.states[i]));
    }
    if (!report.Quiet()) {
        Print(out, std::to_string(plan.pages.size()) + " pages: " + std::to_string(census.Count(PageProgress::kDone)) +
                       " applied, " + std::to_string(census.Count(PageProgress::kNotStarted)) + " not applied, " +
                       std::to_string(census.Count(PageProgress::kTorn)) + " torn, " +
                       std::to_string(census.Count(PageProgress::kForeign)) + " foreign");
    }
    if (out != nullptr) std::fflush(out);
    return StatusOf(census);
}

}  // namespace

// The journal's pages where it is this file's; else the streams' own.
int ShowStatus(const ApplyRequest& request, TargetFile& target, const ApplyReport& report, std::FILE* out) {
    Journal journal;
    std::string reason;
    const JournalState state = ReadJournal(target.Files(), request.journal_path, journal, reason);
    const JournalTie tie = TieOf(request, target);
    const bool streams_agree = !request.have_streams || journal.tie.stream_hash == tie.stream_hash;
    if (state == JournalState::kRead && SameFile(journal.tie, tie) && streams_agree) {
        return Tell(journal.plan, target, report, out);
    }
    if (!request.have_streams) {
        report.Say("no journal of " + target.Name() + " at " + request.journal_path + " (" +
                   (state == JournalState::kRead ? std::string("it is another file's") : reason) + ") and no stream given");
        return kApplyTrouble;
    }
    StreamPlan planned;
    std::string error;
    if (!PlanFromStream(request, target, nullptr, planned, error)) return report.Say(error), kApplyTrouble;
    if (!planned.fits) {
        for (const std::string& failure : planned.failures) report.Note(failure);
        report.Say("the streams do not fit " + target.Name() + " as it is, even with the pages they have written "
                   "taken for written: some byte is neither old nor new, or a page lies past its end");
        return kStatusForeign;
    }
    return Tell(planned.plan, target, report, out);
}

}  // namespace varnex
