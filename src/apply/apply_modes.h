#pragma once
// The three things varnex-apply does with a locked target file: apply the
// streams (or finish an interrupted apply), take a run back from its
// journal, and tell the file's state.

#include <cstdio>

#include "apply/apply_engine.h"
#include "apply/apply_report.h"
#include "apply/apply_target.h"

namespace varnex {

int ApplyStreams(const ApplyRequest& request, TargetFile& target, const ApplyReport& report);
int RollBack(const ApplyRequest& request, TargetFile& target, const ApplyReport& report);
int ShowStatus(const ApplyRequest& request, TargetFile& target, const ApplyReport& report, std::FILE* out);

}  // namespace varnex
