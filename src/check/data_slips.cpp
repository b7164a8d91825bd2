#include "check/data_slips.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "check/characters.h"
#include "check/command_description.h"
#include "command/command_code.h"
#include "command/data_conversion.h"

namespace varnex {
namespace {

constexpr std::size_t kMaxDataDigits = 2 * kMaxDataBytes;

struct Slip {
    std::size_t at = 0;  // index in the data text
    std::string message;
};

bool SameBytes(const std::string& a, const std::string& b) {
    std::uint8_t bytes_a[kMaxDataBytes], bytes_b[kMaxDataBytes];
    const std::uint32_t count_a = ConvertData(a.c_str(), bytes_a);
    const std::uint32_t count_b = ConvertData(b.c_str(), bytes_b);
    return count_a == count_b && std::equal(bytes_a, bytes_a + count_a, bytes_b);
}

// Blanks at the end of the line are data too; they matter only when they
// change the bytes (an even number of them adds zero bytes).
std::string TextThatMatters(std::string_view data) {
    std::string text(data);
    std::string trimmed(data.substr(0, data.find_last_not_of(' ') + 1));
    return SameBytes(text, trimmed) ? trimmed : text;
}

std::optional<Slip> CharacterSlip(std::string_view text, std::size_t i) {
    const bool word_start = i == 0 || text[i - 1] == ' ';
    const std::string_view here = text.substr(i, 2);
    if (word_start && (here == "0x" || here == "0X")) {
        return Slip{i, "a 0x prefix means nothing in data: its two characters count as digits 0"};
    }
    if (text[i] == ' ') {
        if (text.find_first_not_of(' ', i) == std::string_view::npos) {
            return Slip{i, "blanks at the end of the line join the data as digits 0"};
        }
        return Slip{i, "a blank in the data counts as a digit 0 and shifts the pairing of the digits"};
    }
    if (!IsHexDigit(text[i]))
        return Slip{i, Quoted(text.substr(i, 1), " is no hexadecimal digit: it counts as 0")};
    return std::nullopt;
}

std::optional<Slip> FindSlip(std::string_view text) {
    for (std::size_t i = 0; i < text.size() && i < kMaxDataDigits; ++i) {
        if (auto slip = CharacterSlip(text, i)) return slip;
    }
    if (text.size() > kMaxDataDigits) {
        return Slip{kMaxDataDigits, "more than 128 bytes: the data stops after 256 digits"};
    }
    if (text.size() % 2 != 0) return Slip{text.size() - 1, "an odd number of digits: the last one is dropped"};
    return std::nullopt;
}

bool TakesData(CommandCode code) {
    return code == CommandCode::kVerify || code == CommandCode::kReplace || code == CommandCode::kSearch;
}

}  // namespace

void CheckData(const LineContext& context, FindingList& findings) {
    if (!context.Executes() || !TakesData(context.command.code)) return;
    const std::size_t start = context.IndexOf(context.tokens.operand2);
    const auto slip = FindSlip(TextThatMatters(std::string_view(context.line.view).substr(start)));
    if (!slip) return;
    const Severity severity = context.command.code == CommandCode::kReplace ? Severity::kError : Severity::kWarning;
    findings.Add(context.line, start + slip->at, severity, slip->message, {DescribeCommand(context.command)});
}

}  // namespace varnex
