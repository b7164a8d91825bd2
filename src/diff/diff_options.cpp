#include "diff/diff_options.h"

#include <string_view>

#include "front/option_value.h"

namespace varnex {
namespace {

// Pages are held in memory twice (old and new) while they are compared and
// written; this bound keeps that small whatever -P asks for.
constexpr std::uint32_t kLargestPage = 1 << 20;

std::string PageSizeArgument(std::string_view argument, DiffOptions& options) {
    const std::int32_t value = ParseOptionValue(argument.data() + 3);
    if (value < 1) {
        std::string reason = "the page size (-P) ";
        reason += std::to_string(value);
        reason += " is invalid; it must be at least 1";
        return reason;
    }
    options.page_size = static_cast<std::uint32_t>(value) < kLargestPage ? static_cast<std::uint32_t>(value)
                                                                         : kLargestPage;
    return "";
}

// One option; `next` is the argument after it (for -o), advanced when used.
std::string Option(std::string_view argument, int argc, const char* const* argv, int& next, DiffOptions& options) {
    if (argument == "-h" || argument == "--help") options.help = true;
    else if (argument == "--version") options.version = true;
    else if (argument == "-q" || argument == "--quiet") options.quiet = true;
    else if (argument == "--verify-pages") options.verify_pages = true;
    else if (argument == "--changes") options.show_changes = true;
    else if (IsColourOption(argument)) return TakeColourOption(argument, options.colour);
    else if (argument.size() > 2 && (argument[1] == 'P' || argument[1] == 'p') && argument[2] == ':') {
        return PageSizeArgument(argument, options);
    } else if (argument == "-o") {
        if (next >= argc) return "-o needs a file name";
        options.output_name = argv[next++];
    } else {
        std::string reason = "unknown option '";
        reason += argument;
        reason += '\'';
        return reason;
    }
    return "";
}

}  // namespace

std::string ParseDiffOptions(int argc, const char* const* argv, DiffOptions& options) {
    int files = 0;
    bool options_end = false;
    for (int at = 1; at < argc;) {
        const std::string_view argument = argv[at++];
        if (!options_end && argument == "--") {
            options_end = true;
        } else if (!options_end && argument.size() > 1 && argument[0] == '-') {
            std::string reason = Option(argument, argc, argv, at, options);
            if (!reason.empty()) return reason;
        } else if (files < 2) {
            (files++ == 0 ? options.old_name : options.new_name) = argument;
        } else {
            return "more than two files given";
        }
    }
    if (options.help || options.version || files == 2) return "";
    return "two files are needed: OLD and NEW";
}

const char* DiffUsage() {
    return "Usage: varnex-diff [options] OLD NEW\n"
           "Writes a command stream that makes OLD equal to NEW when varnex runs it on OLD.\n"
           "Every byte it replaces is verified first, so a file that is not OLD is refused page by page.\n"
           "  -P:SIZE         largest page the stream uses (as varnex reads -P; default 4096, at most 1 MiB)\n"
           "  --verify-pages  verify every byte of every page written, not only those replaced\n"
           "  --changes       show the changes, old above new, instead of writing the stream\n"
           "  --color=WHEN    colour the changed bytes of --changes: auto (on a terminal, unless\n"
           "                  NO_COLOR is set; the default), always (through a pipe too) or never\n"
           "  -o FILE         write to FILE instead of standard output (a regular file whole or not at all)\n"
           "  -q, --quiet     no progress on standard error\n"
           "  -h, --help      print this text\n"
           "  --version       print the version\n"
           "Exit status: 0 the files are equal, 1 they differ, 2 trouble (sizes differ, a file cannot be read).\n";
}

}  // namespace varnex
