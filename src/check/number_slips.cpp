#include "check/number_slips.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/characters.h"
#include "check/command_description.h"
#include "command/hex_digit.h"

namespace varnex {
namespace {

// The number's token and how it is cut into parts.
struct NumberText {
    std::string_view view;
    std::size_t start = 0;  // first character of the text
    std::size_t body = 0;   // first character after a 0x prefix
    std::size_t end = 0;    // end of the token
    bool hexadecimal = false;
    bool multiplier = false;  // the token ends with K
    std::vector<std::size_t> colons;
    bool both_parts = false;
    bool next_word = false;  // another word follows on the line
};

struct Part {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool last = false;  // the part after the last colon (or the whole number)
};

using Slip = NumberSlip;

bool IsK(char c) { return c == 'K' || c == 'k'; }

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

NumberText ExamineNumber(std::string_view view, std::size_t start, NumberParts parts) {
    NumberText text;
    text.view = view;
    text.start = start;
    text.hexadecimal = text.view.substr(start, 2) == "0x" || text.view.substr(start, 2) == "0X";
    text.body = start + (text.hexadecimal ? 2 : 0);
    text.end = text.body;
    for (; text.end < text.view.size() && IsWordCharacter(text.view[text.end]); ++text.end) {
        if (text.view[text.end] == ':') text.colons.push_back(text.end);
    }
    text.multiplier = text.end > text.body && IsK(text.view[text.end - 1]);
    text.both_parts = parts == NumberParts::kBoth;
    return text;
}

NumberText ExamineNumber(const LineContext& context, std::size_t start, NumberParts parts) {
    NumberText text = ExamineNumber(context.line.view, start, parts);
    text.next_word = context.WordAtOrAfter(text.end) < context.words.size();
    return text;
}

std::optional<Slip> EmptyNumber(const NumberText& n) {
    if (n.end != n.body) return std::nullopt;
    if (n.hexadecimal) return Slip{n.start, "0x without digits reads as 0"};
    if (n.next_word) return Slip{n.start, "no number here: it is read from the next word"};
    return Slip{n.start, "no number here: it reads as 0"};
}

std::optional<Slip> ColonIgnored(const NumberText& n) {
    if (n.both_parts || n.colons.empty()) return std::nullopt;
    return Slip{n.start, "only the part after the last colon counts here"};
}

std::optional<Slip> ManyColons(const NumberText& n) {
    if (!n.both_parts || n.colons.size() < 2) return std::nullopt;
    return Slip{n.colons[1], "only the parts before the first colon and after the last one count"};
}

std::optional<Slip> EmptyLastPart(const NumberText& n) {
    if (n.colons.empty() || n.colons.back() + 1 != n.end) return std::nullopt;
    if (!n.hexadecimal && n.next_word)
        return Slip{n.colons.back(), "nothing follows the colon: the part after it is read from the next word"};
    return Slip{n.colons.back(), "nothing follows the colon: the part after it is 0"};
}

// Decimal digits beyond the signed 32-bit range are clamped.
std::optional<Slip> Clamped(const NumberText& n, std::size_t sign, std::size_t digits, std::size_t digits_end) {
    while (digits + 1 < digits_end && n.view[digits] == '0') ++digits;
    const std::string_view value = n.view.substr(digits, digits_end - digits);
    const bool negative = sign < digits && n.view[sign] == '-';
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (value.size() < limit.size() || (value.size() == limit.size() && value <= limit)) return std::nullopt;
    std::string message(n.view.substr(sign, digits_end - sign));
    message += " is clamped to ";
    message += negative ? "-2147483648" : "2147483647";
    return Slip{sign, std::move(message), true};
}

std::optional<Slip> DecimalPartSlip(const NumberText& n, const Part& part) {
    const std::string_view text = n.view.substr(part.begin, part.end - part.begin);
    if (part.begin > n.body && (text.starts_with("0x") || text.starts_with("0X"))) {
        return Slip{part.begin, "the 0x prefix counts only at the start of a number: this part reads as 0"};
    }
    std::size_t i = part.begin;
    if (i < part.end && (n.view[i] == '+' || n.view[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < part.end && IsDecimalDigit(n.view[i])) ++i;
    if (i == digits) return Slip{part.begin, Quoted(text, " is no number: it reads as 0")};
    const bool multiplier = i + 1 == part.end && IsK(n.view[i]);
    if (multiplier && !part.last)
        return Slip{i, "K multiplies only the part after the last colon: here it ends the number"};
    if (i < part.end && !multiplier) {
        return Slip{i, "the number ends at '" + std::string(1, n.view[i]) + "' (only a last K multiplies)"};
    }
    return Clamped(n, part.begin, digits, i);
}

std::optional<Slip> HexPartSlip(const NumberText& n, const Part& part) {
    const bool multiplier = part.last && n.multiplier;
    const std::size_t digits_end = multiplier ? part.end - 1 : part.end;
    for (std::size_t i = part.begin; i < digits_end; ++i) {
        if (!IsHexDigit(n.view[i]))
            return Slip{i, Quoted(n.view.substr(i, 1), " is no hexadecimal digit: it counts as 0")};
    }
    std::size_t significant = part.begin;
    while (significant < part.end && n.view[significant] == '0') ++significant;
    if (part.end - significant > 8) return Slip{part.begin, "more than 8 hexadecimal digits: only the last 8 count", true};
    if (!multiplier) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = part.begin; i < digits_end; ++i) value = value * 16 + HexDigit(n.view[i]);
    return Slip{digits_end, "in a hexadecimal number the K also counts as a digit 0: this is " +
                                Hex((value * 16) << 10) + ", not " + Hex(value << 10)};
}

std::vector<Part> PartsToCheck(const NumberText& n) {
    if (n.colons.empty()) return {{n.body, n.end, true}};
    std::vector<Part> parts;
    if (n.both_parts && n.colons.front() > n.body) parts.push_back({n.body, n.colons.front(), false});
    if (n.colons.back() + 1 < n.end) parts.push_back({n.colons.back() + 1, n.end, true});
    return parts;
}

using TokenCheck = std::optional<Slip> (*)(const NumberText&);
constexpr TokenCheck kTokenChecks[] = {ColonIgnored, ManyColons, EmptyLastPart};

std::vector<NumberSlip> Slips(const NumberText& number) {
    std::vector<Slip> slips;
    if (auto empty = EmptyNumber(number)) {
        slips.push_back(*empty);
        return slips;
    }
    for (TokenCheck check : kTokenChecks) {
        if (auto slip = check(number)) slips.push_back(*slip);
    }
    for (const Part& part : PartsToCheck(number)) {
        auto slip = number.hexadecimal ? HexPartSlip(number, part) : DecimalPartSlip(number, part);
        if (slip) slips.push_back(*slip);
    }
    return slips;
}

}  // namespace

std::vector<NumberSlip> FindNumberSlips(std::string_view text, NumberParts parts) {
    return Slips(ExamineNumber(text, 0, parts));
}

std::vector<std::size_t> CheckNumber(const LineContext& context, std::size_t start, NumberParts parts,
                                     FindingList& findings) {
    const std::string does = DescribeCommand(context.command);
    std::vector<std::size_t> value_changed;
    for (Slip& slip : Slips(ExamineNumber(context, start, parts))) {
        const std::size_t place =
            findings.Add(context.line, slip.at, Severity::kWarning, std::move(slip.message), {does});
        if (slip.value_changed) value_changed.push_back(place);
    }
    return value_changed;
}

bool ReadsOnIntoNextWord(const LineContext& context, std::size_t start) {
    const NumberText number = ExamineNumber(context, start, NumberParts::kBoth);
    if (number.hexadecimal) return false;
    if (number.end == number.body) return true;
    return !number.colons.empty() && number.colons.back() + 1 == number.end;
}

}  // namespace varnex
