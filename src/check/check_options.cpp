#include "check/check_options.h"

#include <string_view>

#include "front/option_value.h"

namespace varnex {
namespace {

CheckOptions BadUsage(std::string error) {
    CheckOptions options;
    options.action = CheckAction::kBadUsage;
    options.error = std::move(error);
    return options;
}

bool IsPageSizeSwitch(std::string_view argument) {
    return argument.size() >= 3 && argument[0] == '-' && (argument[1] == 'P' || argument[1] == 'p') &&
           argument[2] == ':';
}

// Takes the value of -P:SIZE as varnex does; a size below 1 is refused there
// before the run, and so here.
bool TakePageSize(const char* argument, CheckOptions& options) {
    const std::int32_t size = ParseOptionValue(argument + 3);
    if (size < 1) return false;
    options.page_size = static_cast<std::uint32_t>(size);
    options.page_size_switch = argument;
    return true;
}

}  // namespace

// Options and stream names may come in any order; "--" ends the options.
CheckOptions ParseCheckOptions(int argc, const char* const* argv) {
    CheckOptions options;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (options_ended || argument == kStandardInputName || argument.empty() || argument[0] != '-') {
            options.streams.emplace_back(argument);
        } else if (argument == "--") {
            options_ended = true;
        } else if (argument == "-h" || argument == "--help") {
            options.action = CheckAction::kHelp;
            return options;
        } else if (argument == "--version") {
            options.action = CheckAction::kVersion;
            return options;
        } else if (argument == "-q" || argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "--dry-run") {
            if (i + 1 >= argc) return BadUsage("--dry-run needs the name of the file to run against");
            options.dry_run_file = argv[++i];
        } else if (argument == "--undo") {
            if (i + 1 >= argc) return BadUsage("--undo needs the name of the file to write the undo stream to");
            options.undo_file = argv[++i];
        } else if (argument == "--changes") {
            options.show_changes = true;
        } else if (IsColourOption(argument)) {
            if (std::string refused = TakeColourOption(argument, options.colour); !refused.empty()) {
                return BadUsage(refused);
            }
        } else if (IsPageSizeSwitch(argument)) {
            if (!TakePageSize(argv[i], options))
                return BadUsage("invalid page size '" + std::string(argument) + "': it must be at least 1");
        } else {
            return BadUsage("unknown option '" + std::string(argument) + "'");
        }
    }
    if (options.dry_run_file == nullptr && (options.undo_file != nullptr || options.show_changes)) {
        return BadUsage(options.undo_file != nullptr ? "--undo needs --dry-run" : "--changes needs --dry-run");
    }
    if (options.streams.empty()) options.streams.emplace_back(kStandardInputName);
    return options;
}

const std::vector<std::string>& CheckUsage() {
    static const std::vector<std::string> lines = {
        "Usage: varnex-check [options] [STREAM...]",
        "Finds probable mistakes in varnex command streams before they touch a file.",
        "Each STREAM is checked on its own (with --dry-run, joined, as the run sees them);",
        "with none, or with -, standard input.",
        "",
        "  -P:SIZE         the page size the run starts with, as varnex -P:SIZE (default 4096);",
        "                  its slips are warned of as those of a PAGESIZE operand",
        "  --dry-run FILE  then run the streams, joined, against FILE without changing it;",
        "                  the log goes to standard output",
        "  --undo UNDO     with --dry-run: also write to UNDO the stream that takes back",
        "                  every page the run would write (never FILE or a STREAM)",
        "  --changes       with --dry-run: print the pages the run would write, old bytes",
        "                  above new, instead of its log",
        "  --color=WHEN    colour the changed bytes of --changes: auto (on a terminal,",
        "                  unless NO_COLOR is set; the default), always (through a",
        "                  pipe too) or never",
        "  -q, --quiet     print nothing; the exit status tells",
        "  -h, --help      print this text",
        "  --version       print the version",
        "",
        "Findings go to standard error as STREAM:LINE:COLUMN: warning|error|note: TEXT.",
        "Exit status: 0 nothing found, 1 warnings or errors (or a dry run that",
        "reported some), 2 bad usage, an unreadable stream, a file the dry run",
        "could not open, or an undo stream or change view that could not be written.",
    };
    return lines;
}

}  // namespace varnex
