#include "apply/apply_options.h"

#include <string_view>

#include "front/option_value.h"

namespace varnex {
namespace {

ApplyOptions BadUsage(std::string error) {
    ApplyOptions options;
    options.action = ApplyAction::kBadUsage;
    options.error = std::move(error);
    return options;
}

bool IsPageSizeSwitch(std::string_view argument) {
    return argument.size() >= 3 && argument[0] == '-' && (argument[1] == 'P' || argument[1] == 'p') &&
           argument[2] == ':';
}

// A value option's argument, or false when the option ends the line.
bool TakeValue(int argc, const char* const* argv, int& i, std::string& value) {
    if (i + 1 >= argc) return false;
    value = argv[++i];
    return true;
}

bool TakeSwitch(std::string_view argument, ApplyOptions& options) {
    ApplyRequest& request = options.request;
    if (argument == "-q" || argument == "--quiet") request.quiet = true;
    else if (argument == "--rollback") request.mode = ApplyRequest::Mode::kRollback;
    else if (argument == "--status") request.mode = ApplyRequest::Mode::kStatus;
    else return false;
    return true;
}

}  // namespace

// The first name is FILE, the rest streams; "--" ends the options.
ApplyOptions ParseApplyOptions(int argc, const char* const* argv) {
    ApplyOptions options;
    std::vector<std::string> names;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (options_ended || argument == "-" || argument.empty() || argument[0] != '-') {
            names.emplace_back(argument);
        } else if (argument == "--") {
            options_ended = true;
        } else if (argument == "-h" || argument == "--help") {
            options.action = ApplyAction::kHelp;
            return options;
        } else if (argument == "--version") {
            options.action = ApplyAction::kVersion;
            return options;
        } else if (TakeSwitch(argument, options)) {
        } else if (argument == "--journal") {
            if (!TakeValue(argc, argv, i, options.request.journal_path)) return BadUsage("--journal needs a path");
        } else if (argument == "--log") {
            if (!TakeValue(argc, argv, i, options.log_file)) return BadUsage("--log needs a file name");
        } else if (IsPageSizeSwitch(argument)) {
            const std::int32_t size = ParseOptionValue(argv[i] + 3);
            if (size < 1) return BadUsage("invalid page size '" + std::string(argument) + "': it must be at least 1");
            options.request.page_size = static_cast<std::uint32_t>(size);
            options.request.page_size_switch = argv[i];
        } else {
            return BadUsage("unknown option '" + std::string(argument) + "'");
        }
    }
    if (names.empty()) return BadUsage("no FILE given");
    options.request.file = names.front();
    options.request.stream_names.assign(names.begin() + 1, names.end());
    options.request.have_streams = names.size() > 1 || options.request.mode == ApplyRequest::Mode::kApply;
    if (options.request.stream_names.empty() && options.request.have_streams) options.request.stream_names.emplace_back("-");
    return options;
}

const std::vector<std::string>& ApplyUsage() {
    static const std::vector<std::string> lines = {
        "Usage: varnex-apply [options] FILE [STREAM...]",
        "Applies varnex command streams to FILE all or nothing, with a durable journal",
        "that finishes or takes back a run cut short. STREAMs are joined as one run;",
        "with none, or with -, standard input.",
        "",
        "  -P:SIZE         the page size the run starts with, as varnex -P:SIZE",
        "  --journal PATH  the journal (default: FILE.varnex-journal beside FILE)",
        "  --rollback      take the run of the journal back: FILE gets its bytes before it",
        "  --status        tell, page by page, whether FILE holds the run; write nothing",
        "  --log LOGFILE   the run's log goes to LOGFILE instead of standard output",
        "  -q, --quiet     no log (unless --log), no notes or summary; refusals still shown",
        "  -h, --help      print this text",
        "  --version       print the version",
        "",
        "Exit status: 0 applied, already applied or rolled back; 1 refused, nothing",
        "written; 2 trouble (bad usage, unreadable stream, FILE or journal unusable).",
        "--status: 0 fully applied, 1 not applied, 3 partly applied, 4 foreign bytes, 2 trouble.",
    };
    return lines;
}

}  // namespace varnex
