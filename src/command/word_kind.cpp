#include "command/word_kind.h"

#include <cstddef>
#include <cstring>

#include "command/tokenizer.h"

namespace varnex {
namespace {

struct WordKindEntry {
    const char* keyword;
    WordKind kind;
    std::uint32_t width;
};

constexpr WordKindEntry kWordKinds[] = {
    {"WI16", WordKind::kWI16, 2}, {"WI24", WordKind::kWI24, 3}, {"WI32", WordKind::kWI32, 4},
    {"WI48", WordKind::kWI48, 6}, {"WI56", WordKind::kWI56, 7}, {"WI64", WordKind::kWI64, 8},
    {"WC16", WordKind::kWC16, 2}, {"WC24", WordKind::kWC24, 3}, {"WC32", WordKind::kWC32, 4},
    {"WC48", WordKind::kWC48, 6}, {"WC56", WordKind::kWC56, 7}, {"WC64", WordKind::kWC64, 8},
    {"WD32", WordKind::kWD32, 4},
};

constexpr std::uint32_t kDefaultKind = static_cast<std::uint32_t>(WordKind::kWI64);

char FoldToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

bool KeywordIs(const char* token, std::size_t length, const char* keyword) {
    if (std::strlen(keyword) != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (FoldToUpper(token[i]) != keyword[i]) return false;
    }
    return true;
}

}  // namespace

std::uint32_t LookUpWordKind(const char* text) {
    if (text == nullptr) return kDefaultKind;
    std::size_t length = 0;
    while (IsWordCharacter(text[length])) ++length;
    for (const WordKindEntry& entry : kWordKinds) {
        if (KeywordIs(text, length, entry.keyword)) return static_cast<std::uint32_t>(entry.kind);
    }
    return kDefaultKind;
}

std::uint32_t WordKindWidth(std::uint32_t code) {
    for (const WordKindEntry& entry : kWordKinds) {
        if (static_cast<std::uint32_t>(entry.kind) == code) return entry.width;
    }
    return 0;
}

const char* WordKindKeyword(std::uint32_t code) {
    for (const WordKindEntry& entry : kWordKinds) {
        if (static_cast<std::uint32_t>(entry.kind) == code) return entry.keyword;
    }
    return nullptr;
}

}  // namespace varnex
