#include "diff/diff_options.h"

#include <algorithm>
#include <string_view>

#include "front/option_value.h"

namespace varnex {
namespace {

// Pages are held in memory twice (old and new) while they are compared and
// written; this bound keeps that small whatever -P asks for.
constexpr std::uint32_t kLargestPage = 1 << 20;

// The forms varnex reads as a page size and means as written: decimal digits
// with an optional K (KiB), or 0x and hexadecimal digits. varnex itself takes
// any text (a letter counts as a digit 0, "1M" is 1), so the stream's PAGESIZE
// would not be what was asked for; those are refused here instead. Seven
// digits at most, leading zeros aside: no larger number is a page size.
bool IsPageSizeText(std::string_view text) {
    const bool hexadecimal = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hexadecimal) text.remove_prefix(2);
    else if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) text.remove_suffix(1);
    const std::size_t nonzero = std::min(text.find_first_not_of('0'), text.size());
    const char* digits = hexadecimal ? "0123456789abcdefABCDEF" : "0123456789";
    return !text.empty() && text.find_first_not_of(digits) == std::string_view::npos && text.size() - nonzero <= 7;
}

std::string PageSizeArgument(std::string_view argument, DiffOptions& options) {
    const std::string_view text = argument.substr(3);
    const std::int32_t value = IsPageSizeText(text) ? ParseOptionValue(text.data()) : 0;
    if (value >= 1 && static_cast<std::uint32_t>(value) <= kLargestPage) {
        options.page_size = static_cast<std::uint32_t>(value);
        return "";
    }
    std::string reason = "the page size (-P) '";
    reason += text;
    reason += "' is refused: give a number of bytes from 1 to 1 MiB (1048576), in decimal (4096), hexadecimal (0x1000) "
              "or KiB with K (4K)";
    return reason;
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
           "  -P:SIZE         page size; pages start at its multiples (4096, 0x1000 or 4K; default 4096, at most 1024K)\n"
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
