#include "command/command_reader.h"

#include "command/operand_conversion.h"
#include "command/tokenizer.h"
#include "command/verb_table.h"
#include "output/line_writer.h"

namespace varnex {
namespace {

bool HasRequiredOperands(const TokenisedLine& line) {
    const int required = VerbFor(line.code)->required_operands;
    if (required >= 1 && line.operand1 == nullptr) return false;
    if (required >= 2 && line.operand2 == nullptr) return false;
    return true;
}

}  // namespace

CommandCode CommandReader::ReadCommand(std::uint32_t page_size, Command& command) {
    command.value_a = 0;
    command.value_b = 0;
    command.byte_count = 0;
    for (;;) {
        const char* text = lines_.ReadLine();
        if (text == nullptr) return command.code = CommandCode::kEndOfStream;
        const TokenisedLine line = Tokenise(text);
        if (line.code == CommandCode::kNoCommand) continue;
        if (!HasRequiredOperands(line)) {
            WriteLine("MIP0109E: The command has been ignored because it has invalid parameters.");
            continue;
        }
        return command.code = ConvertOperands(line, page_size, command);
    }
}

}  // namespace varnex
