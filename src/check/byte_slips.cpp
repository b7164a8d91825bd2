#include "check/byte_slips.h"

#include <cstdio>
#include <string>
#include <vector>

#include "check/verb_slips.h"
#include "command/line_reader.h"
#include "command/verb_table.h"

namespace varnex {
namespace {

constexpr char kCarriageReturn = '\r';


// Raw positions of the dropped bytes, leaving out carriage returns that end
// the line.
std::vector<std::size_t> DroppedBytes(const StreamLine& line) {
    std::size_t end = line.raw.size();
    while (end > 0 && line.raw[end - 1] == kCarriageReturn) --end;
    std::vector<std::size_t> dropped;
    std::size_t kept = 0;
    for (std::size_t r = 0; r < end; ++r) {
        if (kept < line.raw_position.size() && line.raw_position[kept] == r) {
            ++kept;
        } else {
            dropped.push_back(r);
        }
    }
    return dropped;
}

bool GluedByDroppedByte(const LineContext& context) {
    const auto glued = FindGluedVerb(context);
    return glued && glued->by_dropped_byte;
}

}  // namespace

std::string NameOfByte(unsigned char byte) {
    if (byte == '\t') return "a tab";
    if (byte == kCarriageReturn) return "a carriage return";
    char text[32];
    std::snprintf(text, sizeof text, "%s 0x%02X", byte < 0x80 ? "the control byte" : "the byte", byte);
    return text;
}

void CheckDroppedBytes(const LineContext& context, FindingList& findings) {
    const std::vector<std::size_t> dropped = DroppedBytes(context.line);
    if (dropped.empty() || GluedByDroppedByte(context)) return;  // the glued verb is reported as such
    const auto first = static_cast<unsigned char>(context.line.raw[dropped.front()]);
    std::string message = NameOfByte(first) + " is dropped by the reader";
    if (first == '\t') message += ": it does not separate words";
    if (dropped.size() > 1) message += " (" + std::to_string(dropped.size()) + " dropped bytes on this line)";
    const Severity severity = context.tokens.code == CommandCode::kNoCommand ? Severity::kNote : Severity::kWarning;
    findings.AddAtRawByte(context.line, dropped.front(), severity, std::move(message));
}

void CheckOverlong(const StreamLine& line, FindingList& findings) {
    const LineContext context = MakeLineContext(line, 0);
    const bool verb = !context.words.empty() &&
                      MatchVerb(line.view.c_str() + context.words[0].start, context.words[0].length) != nullptr;
    findings.Add(line, kMaxLineLength, verb ? Severity::kError : Severity::kWarning,
                 "the line is longer than 512 characters: it is never executed, and only its full pieces of 513 "
                 "characters are echoed");
}

}  // namespace varnex
