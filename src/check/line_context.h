#pragma once
// One read line as the checks see it: its words, the verb and operand starts
// the tokeniser finds, and the values the operand conversion gives them.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "check/stream_lines.h"
#include "command/command_code.h"
#include "command/tokenizer.h"

namespace varnex {

struct Word {
    std::size_t start = 0;  // index in the view
    std::size_t length = 0;
};

struct LineContext {
    const StreamLine& line;
    std::vector<Word> words;
    TokenisedLine tokens;         // points into line.view
    bool has_operands = false;    // the verb's required operands are present
    Command command;              // converted when the line executes
    std::uint32_t page_size = 0;  // of the current slot, used by PAGE #n

    // The line runs a command (a verb with its required operands).
    bool Executes() const { return tokens.code != CommandCode::kNoCommand && has_operands; }
    std::string_view WordText(const Word& word) const {
        return std::string_view(line.view).substr(word.start, word.length);
    }
    std::size_t IndexOf(const char* position) const { return static_cast<std::size_t>(position - line.view.c_str()); }
    // The index of the first word that starts at or after `index`, or the
    // number of words.
    std::size_t WordAtOrAfter(std::size_t index) const;
};

// Tokenises the line and, when its command can run, converts its operands
// for a current slot of `page_size` bytes.
LineContext MakeLineContext(const StreamLine& line, std::uint32_t page_size);

// The names of the verbs, and of the word kinds, for spotting slips in them.
const std::vector<const char*>& VerbNames();
const std::vector<const char*>& WordKindNames();

}  // namespace varnex
