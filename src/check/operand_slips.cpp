#include "check/operand_slips.h"

#include <string>

#include "check/command_description.h"
#include "check/edit_distance.h"
#include "check/number_slips.h"
#include "command/verb_table.h"

namespace varnex {
namespace {

// Which operands are numbers, and whether both parts of high:low count.
struct NumberOperand {
    CommandCode code;
    int operand;  // 1 or 2
    NumberParts parts;
};

constexpr NumberOperand kNumberOperands[] = {
    {CommandCode::kPage, 1, NumberParts::kBoth},          {CommandCode::kIndirectPage, 1, NumberParts::kSecondOnly},
    {CommandCode::kVerify, 1, NumberParts::kSecondOnly},  {CommandCode::kReplace, 1, NumberParts::kSecondOnly},
    {CommandCode::kSearch, 1, NumberParts::kSecondOnly},  {CommandCode::kDump, 1, NumberParts::kSecondOnly},
    {CommandCode::kDump, 2, NumberParts::kSecondOnly},    {CommandCode::kBitDump, 1, NumberParts::kSecondOnly},
    {CommandCode::kBitDump, 2, NumberParts::kSecondOnly}, {CommandCode::kPageSize, 1, NumberParts::kSecondOnly},
};

// Where the number of an operand begins: after the '#' or '@' of PAGE.
std::size_t NumberStart(const LineContext& context, const char* operand) {
    const std::size_t start = context.IndexOf(operand);
    const bool marked = context.tokens.code == CommandCode::kPage && (operand[0] == '#' || operand[0] == '@');
    return marked ? start + 1 : start;
}

bool TakesDataToTheEnd(CommandCode code) {
    return code == CommandCode::kVerify || code == CommandCode::kReplace || code == CommandCode::kSearch;
}

// The verb and the operands the command reads; a decimal number with nothing
// in its last part reads the next word as well.
std::size_t WordsUsed(const LineContext& context) {
    const CommandCode code = context.command.code;
    if (TakesDataToTheEnd(code)) return context.words.size();
    if (code == CommandCode::kIndirectPage) return 3;
    std::size_t used = code == CommandCode::kPage ? 2 : 1 + static_cast<std::size_t>(VerbFor(code)->operands);
    const char* last = used == 3 ? context.tokens.operand2 : (used == 2 ? context.tokens.operand1 : nullptr);
    if (last != nullptr && ReadsOnIntoNextWord(context, NumberStart(context, last))) ++used;
    return used;
}

}  // namespace

void CheckNumberOperands(const LineContext& context, FindingList& findings) {
    if (!context.Executes()) return;
    for (const NumberOperand& rule : kNumberOperands) {
        if (rule.code != context.command.code) continue;
        const char* operand = rule.operand == 1 ? context.tokens.operand1 : context.tokens.operand2;
        if (operand != nullptr) CheckNumber(context, NumberStart(context, operand), rule.parts, findings);
    }
}

void CheckWordKind(const LineContext& context, FindingList& findings) {
    if (!context.Executes() || context.command.code != CommandCode::kIndirectPage) return;
    if (context.tokens.operand2 == nullptr) return;
    const Word& word = context.words[context.WordAtOrAfter(context.IndexOf(context.tokens.operand2))];
    const std::string keyword(context.WordText(word));
    const NearestName nearest = FindNearestName(keyword, WordKindNames());
    if (nearest.name != nullptr && nearest.distance == 0) return;
    std::vector<std::string> details{DescribeCommand(context.command)};
    if (nearest.name != nullptr) details.push_back(std::string("did you mean ") + nearest.name + "?");
    findings.Add(context.line, word.start, Severity::kWarning,
                 "'" + keyword + "' is no word kind: the stored offset is read as WI64 (8 bytes)", std::move(details));
}

void CheckIgnoredWords(const LineContext& context, FindingList& findings) {
    if (!context.Executes()) return;
    const std::size_t used = WordsUsed(context);
    if (context.words.size() <= used) return;
    const std::string verb = VerbFor(context.command.code)->name;
    findings.Add(context.line, context.words[used].start, Severity::kWarning,
                 "the words from here on are ignored: this line is a " + verb + " command",
                 {DescribeCommand(context.command)});
}

}  // namespace varnex
