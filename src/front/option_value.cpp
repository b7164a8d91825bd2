#include "front/option_value.h"

#include <cstddef>

namespace varnex {
namespace {

// Characters are judged as signed bytes: a byte of 128 or more is negative.
int SignedCode(char c) { return static_cast<signed char>(c); }

bool EndsToken(char c) { return SignedCode(c) <= 32; }

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

// Reads until a character that is 0 or negative as a signed byte; every
// character that is not a hexadecimal digit counts as the digit 0.
std::uint32_t ReadHexadecimal(const char* text) {
    std::uint32_t value = 0;
    for (; SignedCode(*text) > 0; ++text) value = value * 16 + static_cast<std::uint32_t>(HexDigitValue(*text));
    return value;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads base 10 as strtol does, clamped to the 32-bit signed range.
std::int32_t ReadDecimal(const char* text) {
    while (IsCSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = (*text++ == '-');
    std::int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (*text - '0');
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::int32_t ParseOptionValue(const char* text) {
    const bool hexadecimal = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hexadecimal) text += 2;

    std::size_t token_length = 0;
    while (!EndsToken(text[token_length])) ++token_length;
    const bool kilo = token_length > 0 && (text[token_length - 1] == 'k' || text[token_length - 1] == 'K');

    const char* value_start = text;
    for (std::size_t i = 0; i < token_length; ++i) {
        if (text[i] == ':') value_start = text + i + 1;
    }

    std::uint32_t value = hexadecimal ? ReadHexadecimal(value_start)
                                      : static_cast<std::uint32_t>(ReadDecimal(value_start));
    if (kilo) value <<= 10;
    return static_cast<std::int32_t>(value);
}

}  // namespace varnex
