#pragma once
// The command line of varnex-check.

#include <cstdint>
#include <string>
#include <vector>

#include "change/colour_choice.h"

namespace varnex {

enum class CheckAction {
    kCheck,     // check the streams (and dry-run them when asked)
    kHelp,      // print the usage text, exit 0
    kVersion,   // print the version, exit 0
    kBadUsage,  // print `error`, exit 2
};

inline constexpr const char* kStandardInputName = "-";

struct CheckOptions {
    CheckAction action = CheckAction::kCheck;
    std::string error;                 // for kBadUsage
    std::vector<std::string> streams;  // "-" for standard input; never empty for kCheck
    std::uint32_t page_size = 4096;
    const char* page_size_switch = nullptr;  // the last -P:SIZE argument as given
    const char* dry_run_file = nullptr;
    const char* undo_file = nullptr;  // --undo: where the stream that takes the dry run back goes
    bool show_changes = false;        // --changes: the pages the dry run would write, not its log
    ColourChoice colour = ColourChoice::kAuto;  // --color=WHEN: of the change view
    bool quiet = false;
};

CheckOptions ParseCheckOptions(int argc, const char* const* argv);

// The usage text, one line per element.
const std::vector<std::string>& CheckUsage();

}  // namespace varnex
