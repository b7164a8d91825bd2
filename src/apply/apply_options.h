#pragma once
// The command line of varnex-apply.

#include <string>
#include <vector>

#include "apply/apply_engine.h"

namespace varnex {

enum class ApplyAction { kRun, kHelp, kVersion, kBadUsage };

struct ApplyOptions {
    ApplyAction action = ApplyAction::kRun;
    std::string error;  // for kBadUsage
    ApplyRequest request;
    std::string log_file;  // --log: where the run's log goes instead of standard output
};

// The request's streams are named but not yet read.
ApplyOptions ParseApplyOptions(int argc, const char* const* argv);

const std::vector<std::string>& ApplyUsage();

}  // namespace varnex
