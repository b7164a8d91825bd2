#include "page/folded_search.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace varnex {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t Lower(std::uint8_t b) { return (b >= 'A' && b <= 'Z') ? b + 32 : b; }

std::size_t NaiveFind(const Bytes& text, const Bytes& pattern) {
    if (pattern.size() > text.size()) return kNotFound;
    for (std::size_t p = 0; p + pattern.size() <= text.size(); ++p) {
        std::size_t i = 0;
        while (i < pattern.size() && Lower(text[p + i]) == Lower(pattern[i])) ++i;
        if (i == pattern.size()) return p;
    }
    return kNotFound;
}

std::size_t Find(const Bytes& text, const Bytes& pattern) {
    return FoldedFind(text.data(), text.size(), pattern.data(), pattern.size());
}

TEST(FoldedFind, AgreesWithAPlainSearchOnRandomInput) {
    std::mt19937 random(20261208);
    // Small alphabets make near misses and repeats common; letters of both
    // cases and the bytes next to them (0x40, 0x5B, 0x60, 0x7B) test folding.
    const std::uint8_t alphabet[] = {'a', 'A', 'b', 'B', 0x40, 0x60, 0x5B, 0x7B, 0x00, 0xC1, 0xE1};
    for (int round = 0; round < 3000; ++round) {
        const std::size_t letters = 2 + random() % (sizeof alphabet - 2);
        const std::size_t text_size = random() % 300;
        const std::size_t pattern_size = round % 10 == 0 ? 120 + random() % 9 : random() % 8;
        Bytes text(text_size), pattern(pattern_size);
        for (auto& b : text) b = alphabet[random() % letters];
        for (auto& b : pattern) b = alphabet[random() % letters];
        if (pattern_size <= text_size && random() % 2) {
            const std::size_t at = random() % (text_size - pattern_size + 1);
            for (std::size_t i = 0; i < pattern_size; ++i) text[at + i] = pattern[i] ^ ((random() % 2) && std::isalpha(pattern[i]) ? 0x20 : 0);
        }
        ASSERT_EQ(Find(text, pattern), NaiveFind(text, pattern)) << "round " << round;
    }
}

TEST(FoldedFind, FoldsOnlyLetters) {
    EXPECT_EQ(Find({'x', 'A', 'B', 'C'}, {'a', 'b', 'c'}), 1u);
    EXPECT_EQ(Find({'a', 'b', 'c'}, {'A', 'B', 'C'}), 0u);
    EXPECT_EQ(Find({0x60}, {0x40}), kNotFound);
    EXPECT_EQ(Find({0x40}, {0x60}), kNotFound);
    EXPECT_EQ(Find({0x7B}, {0x5B}), kNotFound);
    EXPECT_EQ(Find({0xC1}, {0xE1}), kNotFound);
    EXPECT_EQ(Find({1, 2, 3}, {}), 0u);
    EXPECT_EQ(Find({}, {}), 0u);
    EXPECT_EQ(Find({1, 2}, {1, 2, 3}), kNotFound);
    EXPECT_EQ(Find(Bytes(5000, 0x20), {0x21}), kNotFound);
    EXPECT_EQ(Find(Bytes(4999, 0x20), {0x20, 0x20}), 0u);
}

TEST(FoldedFind, FindsMatchesAtTheVeryEndOfLongTexts) {
    for (std::size_t length : {2u, 3u, 16u, 17u, 127u, 128u}) {
        Bytes text(100000 + length, 'q');
        Bytes pattern(length, 'Z');
        pattern.front() = 'y';
        std::copy(pattern.begin(), pattern.end(), text.end() - static_cast<std::ptrdiff_t>(length));
        text.back() = 'z';  // other case than the pattern's last byte
        EXPECT_EQ(Find(text, pattern), text.size() - length) << length;
        text.back() = '{';
        EXPECT_EQ(Find(text, pattern), kNotFound) << length;
    }
}

TEST(FoldedFind, WorstCasePatternsStayCorrect) {
    // Every position is a candidate for a...ab over a run of a; the search
    // must still find the one real match and give up where there is none.
    for (std::size_t length : {16u, 128u}) {
        Bytes pattern(length, 'a');
        pattern.back() = 'b';
        Bytes text(1 << 20, 'A');
        EXPECT_EQ(Find(text, pattern), kNotFound);
        text[700000] = 'B';
        EXPECT_EQ(Find(text, pattern), 700001 - length);
    }
}

TEST(FoldedEqual, ComparesWithLettersFolded) {
    const std::uint8_t page[] = {'A', 'b', 0x40, 0xFF};
    const std::uint8_t same[] = {'a', 'B', 0x40, 0xFF};
    const std::uint8_t other[] = {'a', 'B', 0x60, 0xFF};
    EXPECT_TRUE(FoldedEqual(page, same, 4));
    EXPECT_FALSE(FoldedEqual(page, other, 4));
    EXPECT_TRUE(FoldedEqual(page, other, 0));
}

}  // namespace
}  // namespace varnex
