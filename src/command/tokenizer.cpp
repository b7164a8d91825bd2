#include "command/tokenizer.h"

#include <cstddef>

#include "command/verb_table.h"

namespace varnex {
namespace {

// The scanning states, in the order a well-formed line passes them.
enum class Scan { kBeforeVerb, kInVerb, kBeforeOperand1, kInOperand1, kBeforeOperand2, kInOperand2, kRest };

struct Words {
    const char* verb = nullptr;
    std::size_t verb_length = 0;
    const char* operand1 = nullptr;
    const char* operand2 = nullptr;
};

Words SplitWords(const char* line) {
    Words words;
    Scan scan = Scan::kBeforeVerb;
    for (const char* c = line; *c != '\0' && scan != Scan::kRest; ++c) {
        const bool word = IsWordCharacter(*c);
        switch (scan) {
            case Scan::kBeforeVerb:
                if (word) words.verb = c, words.verb_length = 1, scan = Scan::kInVerb;
                break;
            case Scan::kInVerb:
                if (word) ++words.verb_length; else scan = Scan::kBeforeOperand1;
                break;
            case Scan::kBeforeOperand1:
                if (word) words.operand1 = c, scan = Scan::kInOperand1;
                break;
            case Scan::kInOperand1:
                if (!word) scan = Scan::kBeforeOperand2;
                break;
            case Scan::kBeforeOperand2:
                if (word) words.operand2 = c, scan = Scan::kInOperand2;
                break;
            case Scan::kInOperand2:
                if (!word) scan = Scan::kRest;
                break;
            case Scan::kRest:
                break;
        }
    }
    return words;
}

}  // namespace

TokenisedLine Tokenise(const char* line) {
    TokenisedLine result;
    const Words words = SplitWords(line);
    if (words.verb_length == 0) return result;
    const Verb* verb = MatchVerb(words.verb, words.verb_length);
    if (verb == nullptr) return result;
    result.code = verb->code;
    if (verb->operands >= 1) result.operand1 = words.operand1;
    if (verb->operands >= 2) result.operand2 = words.operand2;
    return result;
}

}  // namespace varnex
