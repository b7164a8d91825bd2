#include "diff/diff_program.h"

#include <cstdio>

#include "change/change_view.h"
#include "change/stream_lines.h"
#include "change/stream_writer.h"
#include "change/whole_file.h"
#include "diff/diff_options.h"
#include "diff/file_comparison.h"
#include "platform/file_size.h"
#include "platform/input_stream.h"
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

// An open input, closed when it goes (standard input is left open).
struct InputFile {
    ComparedFile file;
    bool owned = true;
    ~InputFile() {
        if (owned && file.handle != kNoFile) SystemFileSystem().Close(file.handle);
    }
};

// "-" is standard input. It is always read to its end, as a pipe is, even
// when it is a file: its position need not be the file's start.
std::string OpenInput(const std::string& name, InputFile& input) {
    input.file.name = name == "-" ? "standard input" : name;
    ErrorCode error = 0;
    input.owned = name != "-";
    input.file.handle = input.owned ? OpenForSequentialReading(name.c_str(), error) : StandardInputHandle(error);
    if (input.file.handle == kNoFile) return FileTrouble("open", input.file.name, error);
    input.file.sized = input.owned && HasKnownSize(input.file.handle);
    if (!input.file.sized) PrepareForStreaming(input.file.handle);
    if (input.file.sized && !FileSize(input.file.handle, input.file.size, error)) {
        return FileTrouble("find the size of", name, error);
    }
    return "";
}

std::string OpenInputs(const DiffOptions& options, InputFile& old_input, InputFile& new_input) {
    if (options.old_name == "-" && options.new_name == "-") return "standard input (-) can be OLD or NEW, not both";
    std::string trouble = OpenInput(options.old_name, old_input);
    if (trouble.empty()) trouble = OpenInput(options.new_name, new_input);
    const ComparedFile& old_file = old_input.file;
    const ComparedFile& new_file = new_input.file;
    if (trouble.empty() && old_file.sized && new_file.sized && old_file.size != new_file.size) {
        trouble = SizesDiffer(old_file.name, std::to_string(old_file.size), new_file.name, std::to_string(new_file.size));
    }
    return trouble;
}

std::string FileLine(const char* label, const InputFile& input, std::uint64_t size) {
    std::string line = label;
    line += input.file.name;
    line += " (";
    line += std::to_string(size);
    line += " bytes)";
    return line;
}

std::vector<std::string> MadeBy(const InputFile& old_input, const InputFile& new_input, std::uint64_t size) {
    std::string program = "Made by varnex-diff ";
    program += VARNEX_VERSION;
    return {program, FileLine("Old file: ", old_input, size), FileLine("New file: ", new_input, size)};
}

StreamWriterOptions WriterOptions(const DiffOptions& options) {
    StreamWriterOptions writer;
    writer.page_size = options.page_size;
    writer.verify_pages = options.verify_pages;
    return writer;
}

// Completes the output of a comparison that went well.
std::string Finished(ComparisonOutcome& outcome, ChangeSink& sink, bool& changed) {
    if (outcome.trouble.empty() && !sink.Finish()) outcome.trouble = sink.LastError();
    changed = outcome.pages != 0;
    return outcome.trouble;
}

// One line on standard error naming the pages whose changes VER cannot see.
void ReportLetterCasePages(const StreamWriter& writer) {
    if (writer.CaseOnlyPages() == 0) return;
    std::string line = "varnex-diff: ";
    line += std::to_string(writer.CaseOnlyPages());
    const bool one = writer.CaseOnlyPages() == 1;
    line += one ? " page changes" : " pages change";
    line += " only the case of letters, which VER ignores, so the stream cannot guard ";
    line += one ? "it: PAGE" : "them: PAGE";
    const char* separator = " ";
    for (const std::uint64_t offset : writer.CaseOnlyOffsets()) {
        line += separator;
        line += PageOffsetText(offset);
        separator = ", ";
    }
    if (writer.CaseOnlyPages() > writer.CaseOnlyOffsets().size()) {
        line += " and ";
        line += std::to_string(writer.CaseOnlyPages() - writer.CaseOnlyOffsets().size());
        line += " more";
    }
    line += '\n';
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
}

// Runs the comparison into `output`; returns "" or the trouble, and sets
// `changed`. The stream's heading gives the sizes, known in full only at the
// end when an input is a pipe.
std::string Compare(const DiffOptions& options, const InputFile& old_input, const InputFile& new_input,
                    std::FILE* output, bool colour, bool& changed) {
    // The view shows whole 16-byte rows, so it takes whole pages, as the
    // dry run's view does: a page cut after its last change would cut a row.
    const bool whole_pages = options.verify_pages || options.show_changes;
    const ComparisonSettings settings{options.page_size, whole_pages};
    const ComparedFile& sized = old_input.file.sized ? old_input.file : new_input.file;
    ProgressLine progress(!options.quiet && IsTerminal(stderr), sized.sized ? sized.size : 0);
    if (options.show_changes) {
        ChangeView view(output, colour);
        ComparisonOutcome outcome = CompareFiles(old_input.file, new_input.file, settings, view, progress);
        return Finished(outcome, view, changed);
    }
    StreamWriter writer(output, WriterOptions(options));
    ComparisonOutcome outcome = CompareFiles(old_input.file, new_input.file, settings, writer, progress);
    writer.SetMadeBy(MadeBy(old_input, new_input, outcome.size));
    std::string trouble = Finished(outcome, writer, changed);
    if (trouble.empty()) ReportLetterCasePages(writer);
    return trouble;
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
    std::string trouble = OpenInputs(options, old_input, new_input);
    if (!trouble.empty()) return Trouble(trouble);
    bool changed = false;
    trouble = options.output_name.empty()
                  ? Compare(options, old_input, new_input, stdout, ColoursWanted(options.colour, stdout), changed)
                  : CompareIntoFile(options, old_input, new_input, changed);
    if (!trouble.empty()) return Trouble(trouble);
    return changed ? kDiffDifferent : kDiffSame;
}

}  // namespace varnex
