#include "change/colour_choice.h"

#include "change/change_view.h"

namespace varnex {
namespace {

constexpr std::string_view kColourOption = "--color=";

}  // namespace

bool IsColourOption(std::string_view argument) { return argument.substr(0, kColourOption.size()) == kColourOption; }

std::string TakeColourOption(std::string_view argument, ColourChoice& choice) {
    const std::string_view when = argument.substr(kColourOption.size());
    if (when == "auto") choice = ColourChoice::kAuto;
    else if (when == "always") choice = ColourChoice::kAlways;
    else if (when == "never") choice = ColourChoice::kNever;
    else {
        std::string reason = "invalid colour choice '";
        reason += when;
        reason += "' in ";
        reason += argument;
        reason += ": it must be auto, always or never";
        return reason;
    }
    return "";
}

bool ColoursWanted(ColourChoice choice, std::FILE* stream) {
    if (choice == ColourChoice::kAuto) return WantsColour(stream);
    return choice == ColourChoice::kAlways;
}

}  // namespace varnex
