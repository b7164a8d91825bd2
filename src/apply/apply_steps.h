#pragma once
// Steps the modes share: the tie of this run, the state reports, and writing
// the pages towards a goal with the sync and the read-back after.

#include <string>

#include "apply/apply_engine.h"
#include "apply/apply_report.h"
#include "apply/apply_target.h"
#include "apply/journal_tie.h"

namespace varnex {

JournalTie TieOf(const ApplyRequest& request, const TargetFile& target);

// Reports every page holding a byte foreign to the plan; returns their count.
std::size_t ReportForeign(const Plan& plan, const Census& census, const ApplyReport& report);

// Writes the pages not yet at `goal` (the user's streams when `user_streams`,
// else a made stream), syncs the file and reads every page back. false:
// trouble, reported.
bool WriteTowards(const ApplyRequest& request, TargetFile& target, const Plan& plan, const Census& census,
                  PageProgress goal, bool user_streams, const ApplyReport& report);

// "N pages (M bytes) written" and the rest of the summary line.
std::string Summary(const char* what, const Plan& plan, const Census& census, PageProgress goal,
                    const std::string& journal, const ApplyReport& report);

}  // namespace varnex
