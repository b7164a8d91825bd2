#include "check/check_program.h"

#include <algorithm>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include "check/change_outputs.h"
#include "check/check_options.h"
#include "dryrun/dry_run.h"
#include "check/finding_format.h"
#include "check/joined_streams.h"
#include "check/number_slips.h"
#include "check/stream_input.h"
#include "check/stream_lint.h"
#include "output/line_writer.h"

#ifndef VARNEX_VERSION
#error "VARNEX_VERSION must be defined by the build"
#endif

namespace varnex {
namespace {

constexpr const char* kStandardInputLabel = "<stdin>";

// Drops the dry run's log under --quiet, and where the change view takes
// its place.
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
};

// Reads every stream; a stream that cannot be read is reported and left out.
std::vector<NamedStream> ReadStreams(const CheckOptions& options, Outcome& outcome) {
    std::vector<NamedStream> streams;
    for (const std::string& name : options.streams) {
        auto stream = std::make_unique<StoredStream>();
        std::string error;
        if (!stream->Load(name, error)) {
            Complain("cannot read " + name + ": " + error);
            outcome.trouble = true;
            continue;
        }
        streams.push_back({name == kStandardInputName ? kStandardInputLabel : name, std::move(stream)});
    }
    return streams;
}

// A stream kept in a temporary file that cannot be read back ends early; the
// check of it is then not the check of the stream.
void NoteReadBack(const StoredStreamSource& source, Outcome& outcome) {
    if (!source.Failed()) return;
    Complain("cannot read back the streams kept in a temporary file: the check stopped short");
    outcome.trouble = true;
}

void Print(const std::string& label, const Finding& finding, const CheckOptions& options) {
    if (!options.quiet) std::fputs(FormatFinding(label, finding).c_str(), stderr);
}

void LintOneByOne(const std::vector<NamedStream>& streams, const CheckOptions& options, Outcome& outcome) {
    for (const NamedStream& stream : streams) {
        StoredStreamSource source({stream.stream.get()});
        const std::vector<Finding> findings = LintStream(source, options.page_size);
        NoteReadBack(source, outcome);
        outcome.findings = outcome.findings || CountsAsFindings(findings);
        for (const Finding& finding : findings) Print(stream.label, finding, options);
    }
}

void WarnOfRunOnLines(const std::vector<NamedStream>& streams, const JoinedStreams& joined,
                      const CheckOptions& options, Outcome& outcome) {
    for (const std::size_t k : joined.RunOn()) {
        outcome.findings = true;
        std::string text = "warning: ";
        text += streams[k].label;
        text += " ends without a line feed: its last line runs on into the next stream's first line";
        if (!options.quiet) Complain(text);
    }
}

// What the dry run carries out is the joined stream, so that is what is
// checked: a page loaded in one stream is loaded in the next.
void LintJoined(const std::vector<NamedStream>& streams, const JoinedStreams& joined, const CheckOptions& options,
                Outcome& outcome) {
    StoredStreamSource source = joined.Source();
    std::vector<Finding> findings = LintStream(source, options.page_size);
    NoteReadBack(source, outcome);
    outcome.findings = outcome.findings || CountsAsFindings(findings);
    for (Finding& finding : findings) {
        const JoinedStreams::Place place = joined.Trace(finding.line);
        finding.line = place.line;
        Print(streams[place.stream].label, finding, options);
    }
    WarnOfRunOnLines(streams, joined, options, outcome);
}

void DryRun(const CheckOptions& options, const JoinedStreams& joined, Outcome& outcome) {
    SilentSink silent;
    const bool silenced = options.quiet || options.show_changes;
    LineSink* previous = silenced ? SetLineSink(&silent) : nullptr;
    OverlayFileSystem files(SystemFileSystem());
    StoredStreamSource source = joined.Source();
    const DryRunResult result = RunDryRun(options.dry_run_file, options.page_size_switch, source, files);
    if (silenced) SetLineSink(previous);
    NoteReadBack(source, outcome);
    outcome.trouble = outcome.trouble || !result.file_opened;
    outcome.findings = outcome.findings || result.warnings_or_errors;
    if (!result.file_opened || (options.undo_file == nullptr && !options.show_changes)) return;
    std::string error;
    if (!WriteChangeOutputs(options, files, stdout, error)) {
        Complain(error);
        outcome.trouble = true;
    }
}

// The -P value is read as a PAGESIZE operand is, and has the same slips.
void CheckPageSizeSwitch(const CheckOptions& options, Outcome& outcome) {
    if (options.page_size_switch == nullptr) return;
    for (const NumberSlip& slip : FindNumberSlips(options.page_size_switch + 3, NumberParts::kSecondOnly)) {
        outcome.findings = true;
        std::string text = "warning: ";
        text += options.page_size_switch;
        text += ": ";
        text += slip.message;
        text += ": the page size is ";
        text += std::to_string(options.page_size);
        if (!options.quiet) Complain(text);
    }
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
    std::string refusal;
    if (!UndoFileAllowed(options, refusal)) {
        Complain(refusal);
        return kCheckTrouble;
    }
    Outcome outcome;
    CheckPageSizeSwitch(options, outcome);
    const std::vector<NamedStream> streams = ReadStreams(options, outcome);
    // A dry run of streams that could not all be read would not be the run
    // they describe.
    if (options.dry_run_file == nullptr || outcome.trouble) {
        LintOneByOne(streams, options, outcome);
    } else {
        const JoinedStreams joined(streams);
        LintJoined(streams, joined, options, outcome);
        DryRun(options, joined, outcome);
    }
    return ExitStatus(outcome);
}

}  // namespace varnex
