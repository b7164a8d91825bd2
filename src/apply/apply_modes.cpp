#include "apply/apply_modes.h"

#include "apply/apply_steps.h"
#include "apply/journal_reader.h"
#include "apply/journal_writer.h"
#include "apply/page_run.h"
#include "apply/stream_plan.h"
#include "change/error_text.h"

namespace varnex {
namespace {

// A journal cut short before its end line was never made durable, and the
// file is touched only after it is: it can go.
bool DropUnended(const std::string& path, const std::string& reason, TargetFile& target, const ApplyReport& report) {
    report.Note("the journal " + path + " " + reason + "; " + target.Name() +
                " was not touched by its run, so it is removed and the run starts anew");
    ErrorCode code = 0;
    if (target.Files().Remove(path.c_str(), code)) return true;
    report.Say("cannot remove " + path + ": " + ErrorText(code));
    return false;
}

int RefuseUnfit(const StreamPlan& planned, const TargetFile& target, const ApplyReport& report) {
    report.Say("the streams do not fit " + target.Name() + "; nothing was written:");
    for (const std::string& failure : planned.failures) report.Say("  " + failure);
    return kApplyRefused;
}

// Writes the journal, runs, syncs, reads back and marks the journal complete.
int Carry(const ApplyRequest& request, TargetFile& target, const Plan& plan, const Census& census,
          JournalWriter* journal, bool user_streams, const ApplyReport& report) {
    std::string error;
    if (journal != nullptr && !journal->WriteTo(target.Files(), request.journal_path, error)) {
        report.Say("cannot write the journal " + request.journal_path + ": " + error +
                   "; nothing was written to " + target.Name() + "; name a journal elsewhere with --journal PATH");
        return kApplyTrouble;
    }
    if (!WriteTowards(request, target, plan, census, PageProgress::kDone, user_streams, report)) return kApplyTrouble;
    if (!MarkJournal(target.Files(), request.journal_path, kCompleteMark, error)) {
        report.Say("cannot mark the journal " + request.journal_path + " complete: " + error + "; run again");
        return kApplyTrouble;
    }
    report.Note(Summary("applied", plan, census, PageProgress::kDone, request.journal_path, report));
    return kApplyDone;
}

// The plan is known and the journal, if any, is this run's.
int ApplyPlan(const ApplyRequest& request, TargetFile& target, const Plan& plan, JournalWriter* journal,
              bool journal_complete, bool user_streams, const ApplyReport& report) {
    Census census;
    std::string error;
    if (!TakeCensus(target, plan, census, error)) return report.Say(error), kApplyTrouble;
    if (ReportForeign(plan, census, report) > 0) {
        report.Say("nothing was written to " + target.Name());
        return kApplyRefused;
    }
    if (census.All(PageProgress::kDone)) {
        if (journal == nullptr && !journal_complete && !MarkJournal(target.Files(), request.journal_path, kCompleteMark, error)) {
            report.Say("cannot mark the journal " + request.journal_path + " complete: " + error);
            return kApplyTrouble;
        }
        report.Note(target.Name() + " already holds every page of the streams: already applied");
        return kApplyDone;
    }
    if (journal_complete) {
        report.Say("a completed journal " + request.journal_path + " is in the way (an undo stream someone keeps); "
                   "move it away or name another with --journal PATH");
        return kApplyTrouble;
    }
    return Carry(request, target, plan, census, journal, user_streams && census.All(PageProgress::kNotStarted), report);
}

int ApplyFromStreams(const ApplyRequest& request, TargetFile& target, const ApplyReport& report) {
    const JournalTie tie = TieOf(request, target);
    StreamPlan planned;
    std::string error;
    if (!PlanFromStream(request, target, &tie, planned, error)) return report.Say(error), kApplyTrouble;
    if (!planned.fits) return RefuseUnfit(planned, target, report);
    if (planned.plan.pages.empty()) {
        // A stream that only looks (SEARCH, DUMP) still prints what it finds:
        // the dry run showed that it writes nothing, so it runs as it is.
        RunUserStreams(request, target);
        report.Note("the streams change no byte of " + target.Name() + "; nothing was written, no journal kept");
        return kApplyDone;
    }
    return ApplyPlan(request, target, planned.plan, planned.journal.get(), false, !planned.reconstructed, report);
}

int ApplyFromJournal(const ApplyRequest& request, TargetFile& target, const Journal& journal, const ApplyReport& report) {
    const JournalTie tie = TieOf(request, target);
    if (SameFile(journal.tie, tie) && journal.tie.stream_hash == tie.stream_hash) {
        return ApplyPlan(request, target, journal.plan, nullptr, journal.complete, true, report);
    }
    if (journal.complete) {
        report.Say("the journal " + request.journal_path + " is the completed journal of another run; it is never "
                   "overwritten: move it away or name another with --journal PATH");
    } else {
        report.Say("the journal " + request.journal_path + " belongs to an unfinished run of other streams or of "
                   "another file; take that run back with --rollback --journal " + request.journal_path +
                   ", or remove the journal if " + target.Name() + " is known untouched by it");
    }
    return kApplyTrouble;
}

}  // namespace

int ApplyStreams(const ApplyRequest& request, TargetFile& target, const ApplyReport& report) {
    Journal journal;
    std::string reason;
    switch (ReadJournal(target.Files(), request.journal_path, journal, reason)) {
        case JournalState::kMissing: return ApplyFromStreams(request, target, report);
        case JournalState::kRead: return ApplyFromJournal(request, target, journal, report);
        case JournalState::kUnended:
            if (!DropUnended(request.journal_path, reason, target, report)) return kApplyTrouble;
            return ApplyFromStreams(request, target, report);
        case JournalState::kCorrupt:
        case JournalState::kUnreadable: break;
    }
    report.Say("the journal " + request.journal_path + " cannot be used: " + reason +
               "; move it away if it is not this run's, or name another with --journal PATH");
    return kApplyTrouble;
}

int RollBack(const ApplyRequest& request, TargetFile& target, const ApplyReport& report) {
    Journal journal;
    std::string reason;
    const JournalState state = ReadJournal(target.Files(), request.journal_path, journal, reason);
    if (state == JournalState::kUnended) {
        report.Note("the journal " + request.journal_path + " " + reason + "; " + target.Name() +
                    " was never touched by its run: nothing to take back");
        return kApplyDone;
    }
    if (state != JournalState::kRead) {
        report.Say("cannot take the run back with the journal " + request.journal_path + ": " +
                   (state == JournalState::kMissing ? std::string("there is none") : reason));
        return kApplyTrouble;
    }
    if (!SameFile(journal.tie, TieOf(request, target))) {
        report.Say("the journal " + request.journal_path + " was made for another file (or for this one at another size): " +
                   journal.tie.file_name + ", identity " + journal.tie.identity + ", size " + std::to_string(journal.tie.size));
        return kApplyTrouble;
    }
    Census census;
    std::string error;
    if (!TakeCensus(target, journal.plan, census, error)) return report.Say(error), kApplyTrouble;
    if (ReportForeign(journal.plan, census, report) > 0) {
        report.Say("nothing was written to " + target.Name());
        return kApplyRefused;
    }
    if (!census.All(PageProgress::kNotStarted) &&
        !WriteTowards(request, target, journal.plan, census, PageProgress::kNotStarted, false, report)) {
        return kApplyTrouble;
    }
    if (!journal.rolled_back && !MarkJournal(target.Files(), request.journal_path, kRolledBackMark, error)) {
        report.Say("cannot mark the journal " + request.journal_path + " rolled back: " + error);
        return kApplyTrouble;
    }
    report.Note(Summary("rolled back", journal.plan, census, PageProgress::kNotStarted, request.journal_path, report));
    return kApplyDone;
}

}  // namespace varnex
