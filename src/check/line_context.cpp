#include "check/line_context.h"

#include "command/operand_conversion.h"
#include "command/verb_table.h"
#include "command/word_kind.h"

namespace varnex {
namespace {

std::vector<Word> SplitIntoWords(std::string_view view) {
    std::vector<Word> words;
    for (std::size_t i = 0; i < view.size(); ++i) {
        if (!IsWordCharacter(view[i])) continue;
        if (words.empty() || words.back().start + words.back().length != i) {
            words.push_back({i, 0});
        }
        ++words.back().length;
    }
    return words;
}

bool RequiredOperandsPresent(const TokenisedLine& tokens) {
    const Verb* verb = VerbFor(tokens.code);
    if (verb == nullptr) return false;
    if (verb->required_operands >= 1 && tokens.operand1 == nullptr) return false;
    return verb->required_operands < 2 || tokens.operand2 != nullptr;
}

std::vector<const char*> CollectVerbNames() {
    std::vector<const char*> names;
    for (std::uint32_t code = 1; code < static_cast<std::uint32_t>(CommandCode::kIndirectPage); ++code) {
        if (const Verb* verb = VerbFor(static_cast<CommandCode>(code))) names.push_back(verb->name);
    }
    return names;
}

// Word kind codes are single bits.
std::vector<const char*> CollectWordKindNames() {
    std::vector<const char*> names;
    for (std::uint32_t bit = 0; bit < 32; ++bit) {
        if (const char* keyword = WordKindKeyword(std::uint32_t{1} << bit)) names.push_back(keyword);
    }
    return names;
}

}  // namespace

std::size_t LineContext::WordAtOrAfter(std::size_t index) const {
    std::size_t i = 0;
    while (i < words.size() && words[i].start < index) ++i;
    return i;
}

LineContext MakeLineContext(const StreamLine& line, std::uint32_t page_size) {
    LineContext context{line, SplitIntoWords(line.view), Tokenise(line.view.c_str()), false, {}, page_size};
    context.has_operands = RequiredOperandsPresent(context.tokens);
    if (context.Executes()) {
        context.command.code = ConvertOperands(context.tokens, page_size, context.command);
    }
    return context;
}

const std::vector<const char*>& VerbNames() {
    static const std::vector<const char*> names = CollectVerbNames();
    return names;
}

const std::vector<const char*>& WordKindNames() {
    static const std::vector<const char*> names = CollectWordKindNames();
    return names;
}

}  // namespace varnex
