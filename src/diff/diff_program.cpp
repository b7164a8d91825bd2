#include "diff/diff_program.h"

#include <cstdio>
#include <memory>

#include "change/change_view.h"
#include "change/stream_writer.h"
#include "change/whole_file.h"
#include "diff/diff_options.h"
#include "diff/file_comparison.h"
#include "platform/file_size.h"
#include "platform/output_replacement.h"
#include "platform/sequential_reading.h"
#include "platform/terminal.h"

namespace varnex {
namespace {

int Trouble(const std::string& reason) {
    std::string line = "varnex-diff: ";
    line += reason;
    line += '\n';
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
    return kDiffTrouble;
}

// An open input, closed when it goes.
struct InputFile {
    ComparedFile file;
    std::uint64_t size = 0;
    ~InputFile() {
        if (file.handle != kNoFile) SystemFileSystem().Close(file.handle);
    }
};

std::string OpenInput(const std::string& name, InputFile& input) {
    input.file.name = name;
    ErrorCode error = 0;
    input.file.handle = OpenForSequentialReading(name.c_str(), error);
    if (input.file.handle == kNoFile) return FileTrouble("open", name, error);
    if (!FileSize(input.file.handle, input.size, error)) return FileTrouble("find the size of", name, error);
    return "";
}

std::string SizesDiffer(const InputFile& old_input, const InputFile& new_input) {
    std::string reason = old_input.file.name;
    reason += " has ";
    reason += std::to_string(old_input.size);
    reason += " bytes and ";
    reason += new_input.file.name;
    reason += " has ";
    reason += std::to_string(new_input.size);
    reason += "; varnex neither extends nor truncates a file, so only files of one size can be compared";
    return reason;
}

std::string FileLine(const char* label, const InputFile& input) {
    std::string line = label;
    line += input.file.name;
    line += " (";
    line += std::to_string(input.size);
    line += " bytes)";
    return line;
}

std::vector<std::string> MadeBy(const InputFile& old_input, const InputFile& new_input) {
    std::string program = "Made by varnex-diff ";
    program += VARNEX_VERSION;
    return {program, FileLine("Old file: ", old_input), FileLine("New file: ", new_input)};
}

std::unique_ptr<ChangeSink> MakeSink(const DiffOptions& options, std::FILE* output, bool colour,
                                     const InputFile& old_input, const InputFile& new_input) {
    if (options.show_changes) return std::make_unique<ChangeView>(output, colour);
    StreamWriterOptions writer;
    writer.page_size = options.page_size;
    writer.verify_pages = options.verify_pages;
    writer.made_by = MadeBy(old_input, new_input);
    return std::make_unique<StreamWriter>(output, writer);
}

// Runs the comparison into `output`; returns "" or the trouble, and sets
// `changed`.
std::string Compare(const DiffOptions& options, const InputFile& old_input, const InputFile& new_input,
                    std::FILE* output, bool colour, bool& changed) {
    std::unique_ptr<ChangeSink> sink = MakeSink(options, output, colour, old_input, new_input);
    // The view shows whole 16-byte rows, so it takes whole pages, as the
    // dry run's view does: a page cut after its last change would cut a row.
    const bool whole_pages = options.verify_pages || options.show_changes;
    const ComparisonSettings settings{old_input.size, options.page_size, whole_pages};
    ProgressLine progress(!options.quiet && IsTerminal(stderr), old_input.size);
    ComparisonOutcome outcome = CompareFiles(old_input.file, new_input.file, settings, *sink, progress);
    if (outcome.trouble.empty() && !sink->Finish()) outcome.trouble = sink->LastError();
    changed = outcome.pages != 0;
    return outcome.trouble;
}

// Writes to a new file beside the output (or where its links lead), put in
// that file's place only when it is complete and on storage; on trouble it
// is removed and the output left alone. A device or FIFO is written as it is.
std::string CompareIntoFile(const DiffOptions& options, const InputFile& old_input, const InputFile& new_input,
                            bool& changed) {
    const std::string& target = options.output_name;
    if (IsSameFile(target.c_str(), old_input.file.name.c_str()) ||
        IsSameFile(target.c_str(), new_input.file.name.c_str())) {
        return "the output file must be neither OLD nor NEW";
    }
    WholeFile output(target);
    std::string trouble;
    if (!output.Open(trouble)) return trouble;
    trouble = Compare(options, old_input, new_input, output.Output(), ColoursWanted(options.colour, output.Output()),
                      changed);
    if (!trouble.empty()) return trouble;
    if (output.Commit(trouble)) return "";
    return trouble.empty() ? "cannot write " + target : trouble;
}

int Report(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0
               ? kDiffSame
               : kDiffTrouble;
}

}  // namespace

int RunDiff(int argc, const char* const* argv) {
    DiffOptions options;
    if (std::string refused = ParseDiffOptions(argc, argv, options); !refused.empty()) {
        refused += " (varnex-diff --help shows the usage)";
        return Trouble(refused);
    }
    if (options.help) return Report(DiffUsage());
    if (options.version) {
        std::string version = "varnex-diff ";
        version += VARNEX_VERSION;
        version += '\n';
        return Report(version);
    }
    InputFile old_input;
    InputFile new_input;
    std::string trouble = OpenInput(options.old_name, old_input);
    if (trouble.empty()) trouble = OpenInput(options.new_name, new_input);
    if (trouble.empty() && old_input.size != new_input.size) trouble = SizesDiffer(old_input, new_input);
    if (!trouble.empty()) return Trouble(trouble);
    bool changed = false;
    trouble = options.output_name.empty()
                  ? Compare(options, old_input, new_input, stdout, ColoursWanted(options.colour, stdout), changed)
                  : CompareIntoFile(options, old_input, new_input, changed);
    if (!trouble.empty()) return Trouble(trouble);
    return changed ? kDiffDifferent : kDiffSame;
}

}  // namespace varnex
