#pragma once
// The plan of a run taken from its streams: a dry run against the target
// file, over an overlay on the run's own file system, and the pages it
// writes, each handed to the journal too. Where the dry run fails, the file
// may hold the run in part: its original bytes are learnt from the stream's
// own VER lines and the dry run is repeated over them, until it is clean or
// learns nothing more.

#include <memory>
#include <string>
#include <vector>

#include "apply/apply_engine.h"
#include "apply/apply_plan.h"
#include "apply/apply_target.h"
#include "apply/journal_writer.h"

namespace varnex {

struct StreamPlan {
    Plan plan;
    bool fits = false;                  // the dry run was clean
    bool reconstructed = false;         // over bytes learnt from its checks: the file was partly applied
    std::vector<std::string> failures;  // otherwise: each failing command and its message
    std::unique_ptr<JournalWriter> journal;  // every page, taken back, when a tie was given
};

// false: the dry run could not open the file or its pages not be read
// (`error`). With a `tie`, the result's journal holds every page.
bool PlanFromStream(const ApplyRequest& request, TargetFile& target, const JournalTie* tie, StreamPlan& result,
                    std::string& error);

}  // namespace varnex
