#pragma once
// When a change view is coloured: --color=auto (a terminal that takes
// colours, the default), --color=always (a pipe to a pager too) or
// --color=never. Both programs that show a change view read it so.

#include <cstdio>
#include <string>
#include <string_view>

namespace varnex {

enum class ColourChoice { kAuto, kAlways, kNever };

// Whether `argument` is a --color=WHEN option (whatever WHEN is).
bool IsColourOption(std::string_view argument);

// Reads the WHEN of a --color=WHEN `argument` into `choice`; returns "" or
// the reason it is refused (a WHEN other than auto, always and never).
std::string TakeColourOption(std::string_view argument, ColourChoice& choice);

// Whether a view written to `stream` is coloured under `choice`; kAuto asks
// WantsColour.
bool ColoursWanted(ColourChoice choice, std::FILE* stream);

}  // namespace varnex
