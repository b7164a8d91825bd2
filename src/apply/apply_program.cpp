#include "apply/apply_program.h"

#include <cstdio>
#include <memory>
#include <string>

#include "apply/apply_options.h"
#include "check/finding_format.h"
#include "check/joined_streams.h"
#include "check/stream_input.h"
#include "check/stream_lint.h"
#include "output/line_writer.h"

#ifndef VARNEX_VERSION
#error "VARNEX_VERSION must be defined by the build"
#endif

namespace varnex {
namespace {

void Complain(const std::string& text) {
    const std::string line = "varnex-apply: " + text + '\n';
    std::fputs(line.c_str(), stderr);
}

// Reads and joins the streams; false when one cannot be read.
bool ReadStreams(ApplyRequest& request, std::vector<NamedStream>& streams) {
    for (const std::string& name : request.stream_names) {
        auto stored = std::make_unique<StoredStream>();
        std::string error;
        if (!stored->Load(name, error)) {
            Complain("cannot read " + name + ": " + error);
            return false;
        }
        streams.push_back({name == "-" ? "<stdin>" : name, std::move(stored)});
    }
    const JoinedStreams joined(streams);
    StoredStreamSource source = joined.Source();
    request.streams_text.clear();
    for (int byte = source.Next(); byte != ByteSource::kEnd; byte = source.Next()) {
        request.streams_text += static_cast<char>(byte);
    }
    if (source.Failed()) return Complain("cannot read the streams back from their temporary file"), false;
    std::vector<std::string> labels;
    for (const NamedStream& stream : streams) labels.push_back(stream.label);
    request.name_line = [joined, labels](std::size_t line) {
        const JoinedStreams::Place place = joined.Trace(line);
        return labels[place.stream] + ":" + std::to_string(place.line);
    };
    return true;
}

// The lint of the joined streams: an error refuses the run.
bool LintClean(const ApplyRequest& request, const std::vector<NamedStream>& streams) {
    const JoinedStreams joined(streams);
    bool errors = false;
    StoredStreamSource source = joined.Source();
    for (Finding& finding : LintStream(source, request.page_size)) {
        errors = errors || finding.severity == Severity::kError;
        const JoinedStreams::Place place = joined.Trace(finding.line);
        finding.line = place.line;
        if (!request.quiet || finding.severity == Severity::kError) {
            std::fputs(FormatFinding(streams[place.stream].label, finding).c_str(), stderr);
        }
    }
    if (errors) Complain("the streams have errors; nothing was written");
    return !errors;
}

int Run(ApplyOptions& options) {
    ApplyRequest& request = options.request;
    std::vector<NamedStream> streams;
    if (request.have_streams && !ReadStreams(request, streams)) return kApplyTrouble;
    if (request.mode == ApplyRequest::Mode::kApply && !LintClean(request, streams)) return kApplyRefused;
    std::FILE* log = request.quiet ? nullptr : stdout;
    if (!options.log_file.empty()) {
        log = std::fopen(options.log_file.c_str(), "wb");
        if (log == nullptr) return Complain("cannot write the log " + options.log_file), kApplyTrouble;
    }
    const int status = RunApply(request, SystemDurableFileSystem(), log, stderr);
    if (log != nullptr && log != stdout) std::fclose(log);
    return status;
}

}  // namespace

int RunApplyProgram(int argc, const char* const* argv) {
    ApplyOptions options = ParseApplyOptions(argc, argv);
    switch (options.action) {
        case ApplyAction::kHelp:
            for (const std::string& line : ApplyUsage()) WriteLine(line);
            return kApplyDone;
        case ApplyAction::kVersion:
            WriteLine(std::string("varnex-apply ") + VARNEX_VERSION);
            return kApplyDone;
        case ApplyAction::kBadUsage:
            Complain(options.error + " (try --help)");
            return kApplyTrouble;
        case ApplyAction::kRun: break;
    }
    return Run(options);
}

}  // namespace varnex
