#include "command/operand_conversion.h"

#include "command/data_conversion.h"
#include "command/number_conversion.h"
#include "command/word_kind.h"

namespace varnex {
namespace {

CommandCode ConvertPage(const TokenisedLine& line, std::uint32_t page_size, Command& command) {
    const char* operand = line.operand1;
    if (operand[0] == '#') {
        std::uint32_t page_number = 0;
        ConvertNumber(operand + 1, page_number, &command.value_a);
        if (page_number == 0) page_number = 1;
        command.value_b = (page_number - 1) * page_size;
        return CommandCode::kPage;
    }
    if (operand[0] == '@') {
        ConvertNumber(operand + 1, command.value_b, nullptr);
        command.value_a = LookUpWordKind(line.operand2);
        return CommandCode::kIndirectPage;
    }
    ConvertNumber(operand, command.value_b, &command.value_a);
    return CommandCode::kPage;
}

void ConvertOffsetAndData(const TokenisedLine& line, Command& command) {
    ConvertNumber(line.operand1, command.value_b, nullptr);
    command.byte_count = ConvertData(line.operand2, command.data);
}

void ConvertDumpRange(const TokenisedLine& line, Command& command) {
    if (line.operand1 != nullptr) ConvertNumber(line.operand1, command.value_b, nullptr);
    if (line.operand2 != nullptr) ConvertNumber(line.operand2, command.value_a, nullptr);
}

}  // namespace

CommandCode ConvertOperands(const TokenisedLine& line, std::uint32_t page_size, Command& command) {
    switch (line.code) {
        case CommandCode::kPage:
            return ConvertPage(line, page_size, command);
        case CommandCode::kVerify:
        case CommandCode::kReplace:
        case CommandCode::kSearch:
            ConvertOffsetAndData(line, command);
            break;
        case CommandCode::kDump:
        case CommandCode::kBitDump:
            ConvertDumpRange(line, command);
            break;
        case CommandCode::kPageSize:
            ConvertNumber(line.operand1, command.value_b, nullptr);
            break;
        default:
            break;
    }
    return line.code;
}

}  // namespace varnex
