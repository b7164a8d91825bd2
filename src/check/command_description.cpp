#include "check/command_description.h"

#include <cstdio>

#include "command/word_kind.h"

namespace varnex {
namespace {

constexpr std::uint32_t kBytesShown = 32;

std::string Format(const char* format, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string Number(std::uint32_t value) { return std::to_string(value); }

std::string DescribeRange(const char* verb, const Command& command) {
    if (command.value_a == 0)
        return std::string(verb) + " from offset " + Number(command.value_b) + " to the end of the page";
    return std::string(verb) + " " + Number(command.value_a) + " bytes from offset " + Number(command.value_b);
}

std::string DescribeIndirect(const Command& command) {
    const char* kind = WordKindKeyword(command.value_a);
    return "loads the page at the offset stored at " + Number(command.value_b) + " as " +
           (kind != nullptr ? kind : "?");
}

}  // namespace

std::string DescribeBytes(const std::uint8_t* bytes, std::uint32_t count) {
    if (count == 0) return "no bytes";
    std::string text = count == 1 ? "the byte" : "the " + Number(count) + " bytes";
    for (std::uint32_t i = 0; i < count && i < kBytesShown; ++i) text += Format(" %02X", bytes[i]);
    if (count > kBytesShown) text += " ...";
    return text;
}

std::string DescribeCommand(const Command& command) {
    const std::string bytes = DescribeBytes(command.data, command.byte_count);
    const std::string at = " at offset " + Number(command.value_b);
    switch (command.code) {
        case CommandCode::kPage:
            return Format("loads the page at offset 0x%08X:%08X", command.value_a, command.value_b);
        case CommandCode::kIndirectPage:
            return DescribeIndirect(command);
        case CommandCode::kVerify:
            return "compares " + bytes + at;
        case CommandCode::kReplace:
            return "writes " + bytes + at;
        case CommandCode::kSearch:
            return "searches for " + bytes + " from offset " + Number(command.value_b);
        case CommandCode::kDump:
            return DescribeRange("dumps", command);
        case CommandCode::kBitDump:
            return DescribeRange("bit-dumps", command);
        case CommandCode::kPageSize:
            return "sets the page size to " + Number(command.value_b);
        case CommandCode::kWrite:
            return "writes the page back to the file";
        case CommandCode::kPush:
            return "pushes a new page slot";
        case CommandCode::kPop:
            return "pops the current page slot";
        case CommandCode::kEndOfStream:
        case CommandCode::kNoCommand:
            break;
    }
    return "this line is a comment";
}

}  // namespace varnex
