#include "command/number_conversion.h"

#include <cstddef>

#include "command/hex_digit.h"
#include "command/tokenizer.h"

namespace varnex {
namespace {

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// The hexadecimal value of one part of a number: the part ends at a blank,
// at the end of the line, or at a colon (which separates the parts).
std::uint32_t HexPart(const char* text) {
    std::uint32_t value = 0;
    for (; IsWordCharacter(*text) && *text != ':'; ++text) value = value * 16 + HexDigit(*text);
    return value;
}

struct TokenShape {
    const char* first_colon = nullptr;
    const char* last_colon = nullptr;
    bool multiplier = false;
};

TokenShape ExamineToken(const char* token) {
    TokenShape shape;
    std::size_t length = 0;
    for (; IsWordCharacter(token[length]); ++length) {
        if (token[length] != ':') continue;
        if (shape.first_colon == nullptr) shape.first_colon = token + length;
        shape.last_colon = token + length;
    }
    shape.multiplier = length > 0 && (token[length - 1] == 'K' || token[length - 1] == 'k');
    return shape;
}

}  // namespace

std::uint32_t HexValue(const char* text) {
    std::uint32_t value = 0;
    for (; IsWordCharacter(*text); ++text) value = value * 16 + HexDigit(*text);
    return value;
}

std::uint32_t DecimalValue(const char* text) {
    while (IsWhiteSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = (*text++ == '-');
    std::int64_t magnitude = 0;
    for (; IsDecimalDigit(*text); ++text) {
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (*text - '0');
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
}

// The 0x prefix is recognised only at the very start and governs both parts.
// The first part ends at the first colon; the second begins after the last.
// A decimal second part is not confined to its token: when the token ends
// with a colon or is empty, the skipping of white space reads on into the
// next word of the line.
void ConvertNumber(const char* text, std::uint32_t& second, std::uint32_t* first) {
    const bool hexadecimal = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* token = hexadecimal ? text + 2 : text;
    const TokenShape shape = ExamineToken(token);

    const char* second_start = shape.last_colon != nullptr ? shape.last_colon + 1 : token;
    std::uint32_t value = hexadecimal ? HexPart(second_start) : DecimalValue(second_start);
    if (shape.multiplier) value <<= 10;
    second = value;

    if (first == nullptr) return;
    *first = 0;
    if (shape.first_colon == nullptr) return;
    *first = hexadecimal ? HexPart(token) : DecimalValue(token);
}

}  // namespace varnex
