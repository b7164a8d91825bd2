#include "check/verb_slips.h"

#include <cstring>
#include <string>
#include <string_view>

#include "check/characters.h"
#include "check/byte_slips.h"
#include "check/edit_distance.h"
#include "command/verb_table.h"

namespace varnex {
namespace {

bool StartsWithIgnoringCase(std::string_view word, std::string_view prefix) {
    if (word.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldToUpper(word[i]) != FoldToUpper(prefix[i])) return false;
    }
    return true;
}

bool StartsLikeANumber(char c) { return (c >= '0' && c <= '9') || c == '#' || c == '@' || c == '+' || c == '-'; }

bool IsUpperCaseWord(std::string_view word) {
    bool letters = false;
    for (char c : word) {
        if (c >= 'a' && c <= 'z') return false;
        letters = letters || (c >= 'A' && c <= 'Z');
    }
    return letters;
}

// Whether the rest of the line looks like what the verb takes: a number
// after a verb that needs operands, nothing or a number after the others.
// An ordinary sentence ("Pages are numbered...") does not.
bool RestFitsVerb(const LineContext& context, const char* verb_name) {
    const Verb* verb = MatchVerb(verb_name, std::strlen(verb_name));
    const bool has_second_word = context.words.size() > 1;
    const bool second_is_number = has_second_word && StartsLikeANumber(context.line.view[context.words[1].start]);
    return second_is_number || (!has_second_word && verb->required_operands == 0);
}

// A dropped byte between the view characters at `index - 1` and `index`.
bool DroppedByteBefore(const StreamLine& line, std::size_t index) {
    return index > 0 && index < line.raw_position.size() &&
           line.raw_position[index] != line.raw_position[index - 1] + 1;
}

void ReportGlued(const LineContext& context, const GluedVerb& glued, FindingList& findings) {
    const std::size_t at = context.words[0].start + glued.verb_length;
    const std::string verb(glued.verb);
    if (glued.by_dropped_byte) {
        const std::size_t raw = context.line.raw_position[at - 1] + 1;
        const auto byte = static_cast<unsigned char>(context.line.raw[raw]);
        findings.AddAtRawByte(context.line, raw, Severity::kError,
                              NameOfByte(byte) + " after " + verb + " is dropped: '" +
                                  std::string(context.WordText(context.words[0])) + "' is no verb, the line is a comment",
                              {"this line is a comment"});
    } else {
        findings.Add(context.line, at, Severity::kWarning, "no blank after " + verb + ": the line is no command",
                     {"this line is a comment"});
    }
}

}  // namespace

std::optional<GluedVerb> FindGluedVerb(const LineContext& context) {
    if (context.tokens.code != CommandCode::kNoCommand || context.words.empty()) return std::nullopt;
    const Word& first = context.words[0];
    const std::string_view word = context.WordText(first);
    std::optional<GluedVerb> found;
    for (const char* name : VerbNames()) {
        const std::size_t length = std::strlen(name);
        if (word.size() <= length || !StartsWithIgnoringCase(word, name)) continue;
        if (found && found->verb_length >= length) continue;  // PAGESIZE before PAGE
        const bool dropped = DroppedByteBefore(context.line, first.start + length);
        if (dropped || StartsLikeANumber(word[length])) found = GluedVerb{name, length, dropped};
    }
    return found;
}

std::optional<MistypedVerb> CheckFirstWord(const LineContext& context, FindingList& findings) {
    if (const auto glued = FindGluedVerb(context)) {
        ReportGlued(context, *glued, findings);
        return std::nullopt;
    }
    if (context.tokens.code != CommandCode::kNoCommand || context.words.empty()) return std::nullopt;
    const std::string_view word = context.WordText(context.words[0]);
    const NearestName nearest = FindNearestName(word, VerbNames());
    if (nearest.name == nullptr) return std::nullopt;
    if (!IsUpperCaseWord(word) && !RestFitsVerb(context, nearest.name)) return std::nullopt;
    std::string message = Quoted(word, " is no verb (");
    message += nearest.name;
    message += "?): the line is skipped as a comment";
    const std::size_t place = findings.Add(context.line, context.words[0].start, Severity::kWarning,
                                           std::move(message), {"this line is a comment"});
    return MistypedVerb{place, nearest.name};
}

void CheckMissingOperands(const LineContext& context, FindingList& findings) {
    if (context.tokens.code == CommandCode::kNoCommand || context.has_operands) return;
    const Verb* verb = VerbFor(context.tokens.code);
    const std::string needs = verb->required_operands == 2 ? "an offset and data" : "an operand";
    findings.Add(context.line, context.words[0].start, Severity::kError,
                 std::string(verb->name) + " needs " + needs + ": the line is skipped (MIP0109E)");
}

}  // namespace varnex
