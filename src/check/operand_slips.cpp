#include "check/operand_slips.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "check/command_description.h"
#include "check/edit_distance.h"
#include "check/number_slips.h"
#include "command/number_conversion.h"
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

// PAGE #n loads page n at (n - 1) times the page size, kept to its low 32
// bits with no carry into the high half.
std::optional<std::size_t> CheckPageNumberWrap(const LineContext& context, FindingList& findings) {
    const char* operand = context.tokens.operand1;
    if (context.command.code != CommandCode::kPage || operand[0] != '#') return std::nullopt;
    std::uint32_t page_number = 0, high = 0;
    ConvertNumber(operand + 1, page_number, &high);
    const std::uint64_t offset = (std::uint64_t{std::max<std::uint32_t>(page_number, 1)} - 1) * context.page_size;
    if (offset <= UINT32_MAX) return std::nullopt;
    char text[200];
    std::snprintf(text, sizeof text,
                  "page %u starts at %llu, past 32 bits: the offset wraps, and the page at offset 0x%.8X:%.8X "
                  "is loaded",
                  page_number, static_cast<unsigned long long>(offset), context.command.value_a,
                  context.command.value_b);
    return findings.Add(context.line, NumberStart(context, operand), Severity::kWarning, text,
                        {DescribeCommand(context.command)});
}

}  // namespace

std::vector<std::size_t> CheckNumberOperands(const LineContext& context, FindingList& findings) {
    std::vector<std::size_t> misplaced;
    if (!context.Executes()) return misplaced;
    for (const NumberOperand& rule : kNumberOperands) {
        if (rule.code != context.command.code) continue;
        const char* operand = rule.operand == 1 ? context.tokens.operand1 : context.tokens.operand2;
        if (operand == nullptr) continue;
        std::vector<std::size_t> changed = CheckNumber(context, NumberStart(context, operand), rule.parts, findings);
        if (rule.code == CommandCode::kPage) misplaced = std::move(changed);
    }
    if (const auto wrapped = CheckPageNumberWrap(context, findings)) misplaced.push_back(*wrapped);
    return misplaced;
}

void CheckWordKind(const LineContext& context, FindingList& findings) {
    if (!context.Executes() || context.command.code != CommandCode::kIndirectPage) return;
    if (context.tokens.operand2 == nullptr) {
        const Word& offset = context.words[context.WordAtOrAfter(context.IndexOf(context.tokens.operand1))];
        findings.Add(context.line, offset.start + offset.length, Severity::kNote,
                     "no word kind: the stored offset is read as WI64 (8 bytes)", {DescribeCommand(context.command)});
        return;
    }
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
