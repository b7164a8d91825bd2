#include "check/check_program.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "check/check_options.h"
#include "check/dry_run.h"
#include "check/finding_format.h"
#include "check/stream_input.h"
#include "check/stream_lint.h"
#include "output/line_writer.h"

#ifndef VARNEX_VERSION
#error "VARNEX_VERSION must be defined by the build"
#endif

namespace varnex {
namespace {

constexpr const char* kStandardInputLabel = "<stdin>";

// Drops the dry run's log under --quiet.
class SilentSink final : public LineSink {
public:
    void Put(const char*, std::size_t) override {}
};

void Complain(const std::string& text) {
    const std::string line = "varnex-check: " + text + '\n';
    std::fputs(line.c_str(), stderr);
}

struct Outcome {
    bool findings = false;
    bool trouble = false;
    std::string joined;  // every stream's bytes, as `cat` would pass them on
};

void CheckOneStream(const std::string& name, const CheckOptions& options, Outcome& outcome) {
    std::string bytes, error;
    if (!ReadStream(name, bytes, error)) {
        Complain("cannot read " + name + ": " + error);
        outcome.trouble = true;
        return;
    }
    const std::vector<Finding> findings = LintStream(bytes, options.page_size);
    outcome.findings = outcome.findings || CountsAsFindings(findings);
    const std::string label = name == kStandardInputName ? kStandardInputLabel : name;
    for (const Finding& finding : findings) {
        if (!options.quiet) std::fputs(FormatFinding(label, finding).c_str(), stderr);
    }
    outcome.joined += bytes;
}

void DryRun(const CheckOptions& options, Outcome& outcome) {
    SilentSink silent;
    LineSink* previous = options.quiet ? SetLineSink(&silent) : nullptr;
    const DryRunResult result = RunDryRun(options.dry_run_file, options.page_size_switch, outcome.joined);
    if (options.quiet) SetLineSink(previous);
    outcome.trouble = outcome.trouble || !result.file_opened;
    outcome.findings = outcome.findings || result.warnings_or_errors;
}

int ExitStatus(const Outcome& outcome) {
    if (outcome.trouble) return kCheckTrouble;
    return outcome.findings ? kCheckFindings : kCheckClean;
}

}  // namespace

int RunCheck(int argc, const char* const* argv) {
    const CheckOptions options = ParseCheckOptions(argc, argv);
    switch (options.action) {
        case CheckAction::kHelp:
            for (const std::string& line : CheckUsage()) WriteLine(line);
            return kCheckClean;
        case CheckAction::kVersion:
            WriteLine(std::string("varnex-check ") + VARNEX_VERSION);
            return kCheckClean;
        case CheckAction::kBadUsage:
            Complain(options.error + " (try --help)");
            return kCheckTrouble;
        case CheckAction::kCheck:
            break;
    }
    Outcome outcome;
    for (const std::string& name : options.streams) CheckOneStream(name, options, outcome);
    // A dry run of streams that could not all be read would not be the run
    // they describe.
    if (options.dry_run_file != nullptr && !outcome.trouble) DryRun(options, outcome);
    return ExitStatus(outcome);
}

}  // namespace varnex
