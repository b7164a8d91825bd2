#pragma once
// The arguments of varnex-diff: options, then the old and the new file.

#include <cstdint>
#include <string>

#include "change/colour_choice.h"

namespace varnex {

struct DiffOptions {
    std::string old_name;
    std::string new_name;
    std::string output_name;         // empty: standard output
    std::uint32_t page_size = 4096;  // pages start at its multiples and are no longer
    bool verify_pages = false;
    bool show_changes = false;
    ColourChoice colour = ColourChoice::kAuto;  // of the change view
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Fills `options`; returns "" or the reason the arguments are refused.
std::string ParseDiffOptions(int argc, const char* const* argv, DiffOptions& options);

// The help text, ending with a line end.
const char* DiffUsage();

}  // namespace varnex
