// Finding byte strings with letter case folded, checked against a plain
// position-by-position search: random texts short and long (long enough for
// the scan to hand stretches to the linear search), every pattern length
// that matters, the bytes next to the letters, and texts built to make every
// place look like a match.

#include "page/folded_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace varnex {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool SameWithCaseFolded(std::uint8_t a, std::uint8_t b) {
    const auto lower = [](std::uint8_t byte) { return byte >= 'A' && byte <= 'Z' ? byte + 32 : byte; };
    return lower(a) == lower(b);
}

std::size_t PlainFind(const Bytes& text, const Bytes& pattern) {
    if (pattern.size() > text.size()) return kNotFound;
    for (std::size_t p = 0; p + pattern.size() <= text.size(); ++p) {
        std::size_t i = 0;
        while (i < pattern.size() && SameWithCaseFolded(text[p + i], pattern[i])) ++i;
        if (i == pattern.size()) return p;
    }
    return kNotFound;
}

std::size_t Find(const Bytes& text, const Bytes& pattern) {
    return FoldedFind(text.data(), text.size(), pattern.data(), pattern.size());
}

std::size_t FindLinear(const Bytes& text, const Bytes& pattern) {
    return FoldedFindLinear(text.data(), text.size(), pattern.data(), pattern.size());
}

// Random bytes from `alphabet`, and sometimes a copy of the pattern with its
// letters in random case at a random place.
class RandomCase {
public:
    explicit RandomCase(unsigned seed) : random_(seed) {}

    Bytes Draw(const Bytes& alphabet, std::size_t size) {
        Bytes bytes(size);
        for (auto& byte : bytes) byte = alphabet[random_() % alphabet.size()];
        return bytes;
    }

    void MaybePlant(Bytes& text, const Bytes& pattern) {
        if (pattern.size() > text.size() || random_() % 2 == 0) return;
        const std::size_t at = random_() % (text.size() - pattern.size() + 1);
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            const bool letter = (pattern[i] | 0x20) >= 'a' && (pattern[i] | 0x20) <= 'z';
            text[at + i] = letter && random_() % 2 ? pattern[i] ^ 0x20 : pattern[i];
        }
    }

    std::size_t Below(std::size_t limit) { return random_() % limit; }

private:
    std::mt19937 random_;
};

// Letters of both cases and the bytes that differ from them in bit 5 only.
const Bytes kNearLetters = {'a', 'A', 'b', 'B', 0x40, 0x60, 0x5B, 0x7B, 0x00, 0xC1, 0xE1};

// 80 01 80 01 ...
Bytes Alternating(std::size_t size) {
    Bytes bytes(size, 0x01);
    for (std::size_t i = 0; i < size; i += 2) bytes[i] = 0x80;
    return bytes;
}

// 128 bytes: 80 01 ... 80 00. The zero byte, the most common of the three,
// is never one the scan keys on.
Bytes AlternatingThenZero() {
    Bytes pattern = Alternating(128);
    pattern.back() = 0x00;
    return pattern;
}

TEST(FoldedFind, AgreesWithAPlainSearchOnShortRandomTexts) {
    RandomCase random(20261208);
    for (int round = 0; round < 4000; ++round) {
        const Bytes alphabet(kNearLetters.begin(), kNearLetters.begin() + 2 + random.Below(kNearLetters.size() - 1));
        const std::size_t pattern_size = round % 10 == 0 ? 120 + random.Below(9) : random.Below(20);
        const Bytes pattern = random.Draw(alphabet, pattern_size);
        Bytes text = random.Draw(alphabet, random.Below(400));
        random.MaybePlant(text, pattern);
        const std::size_t expected = PlainFind(text, pattern);
        ASSERT_EQ(Find(text, pattern), expected) << "round " << round;
        ASSERT_EQ(FindLinear(text, pattern), expected) << "round " << round;
    }
}

TEST(FoldedFind, AgreesWithAPlainSearchOnLongTextsOfFewBytes) {
    // Two or three byte values make places that fit the pattern's key bytes
    // common and checks long, so the scan keeps handing stretches to the
    // linear search and taking over again; planted matches fall anywhere in
    // between.
    RandomCase random(77);
    const Bytes alphabets[] = {{'a', 'B'}, {'a', 'A', 'b'}, {0x00, 0x01}, {0x00, 0x80, 0x20}};
    for (int round = 0; round < 48; ++round) {
        const Bytes& alphabet = alphabets[round % 4];
        const Bytes pattern = random.Draw(alphabet, 8 + random.Below(121));
        Bytes text = random.Draw(alphabet, 100000 + random.Below(200000));
        random.MaybePlant(text, pattern);
        const std::size_t expected = PlainFind(text, pattern);
        ASSERT_EQ(Find(text, pattern), expected) << "round " << round << ", pattern of " << pattern.size();
        ASSERT_EQ(FindLinear(text, pattern), expected) << "round " << round;
    }
}

TEST(FoldedFind, EveryPatternLengthFindsAMatchAtTheVeryEnd) {
    for (const std::size_t length : {1u, 2u, 3u, 15u, 16u, 17u, 31u, 32u, 33u, 127u, 128u}) {
        for (const std::size_t text_size : {length, length + 1, length + 15, length + 16, length + 100000}) {
            Bytes text(text_size, 'q');
            Bytes pattern(length, 'Z');
            pattern.front() = 'Y';
            std::copy(pattern.begin(), pattern.end(), text.end() - static_cast<std::ptrdiff_t>(length));
            text.back() = 'z';  // the other case of the pattern's last byte
            if (length == 1) text.back() = 'y';
            EXPECT_EQ(Find(text, pattern), text_size - length) << length << " in " << text_size;
            EXPECT_EQ(FindLinear(text, pattern), text_size - length) << length << " in " << text_size;
            text.back() = '{';  // 'z' | 0x20 ^ 0x01: no letter, no match
            EXPECT_EQ(Find(text, pattern), kNotFound) << length << " in " << text_size;
            EXPECT_EQ(FindLinear(text, pattern), kNotFound) << length << " in " << text_size;
        }
    }
}

TEST(FoldedFind, EmptyAndOverlongPatterns) {
    const Bytes text(200, 'a');
    EXPECT_EQ(Find(text, {}), 0u);
    EXPECT_EQ(Find({}, {}), 0u);
    EXPECT_EQ(FindLinear({}, {}), 0u);
    EXPECT_EQ(Find({1, 2}, {1, 2, 3}), kNotFound);
    EXPECT_EQ(Find(text, Bytes(128, 'A')), 0u);
    EXPECT_EQ(Find(text, Bytes(129, 'A')), kNotFound) << "no data operand is longer than 128 bytes";
    EXPECT_EQ(FindLinear(text, Bytes(129, 'A')), kNotFound);
}

TEST(FoldedFind, OnlyLettersFold) {
    const struct {
        std::uint8_t in_text;
        std::uint8_t in_pattern;
        bool same;
    } pairs[] = {
        {'A', 'a', true},   {'a', 'A', true},   {'Z', 'z', true},   {'m', 'M', true},  {0x41, 0x41, true},
        {0x40, 0x60, false}, {0x60, 0x40, false}, {0x5B, 0x7B, false}, {0x7B, 0x5B, false}, {0x5E, 0x7E, false},
        {0x5F, 0x7F, false}, {0xC1, 0xE1, false}, {0xE1, 0xC1, false}, {0x00, 0x20, false}, {0x01, 0x21, false},
        {'A', 'b', false},
    };
    for (const auto& pair : pairs) {
        // Alone, and in the middle of a 33-byte pattern, where the whole
        // pattern is compared sixteen bytes at a time.
        const Bytes text_byte = {pair.in_text};
        const Bytes pattern_byte = {pair.in_pattern};
        Bytes long_text(300, '.');
        Bytes long_pattern(33, '.');
        long_text[150] = pair.in_text;
        long_pattern[16] = pair.in_pattern;
        long_pattern.front() = long_text[134] = 'K';
        const std::size_t one = pair.same ? 0 : kNotFound;
        const std::size_t long_one = pair.same ? 134 : kNotFound;
        EXPECT_EQ(Find(text_byte, pattern_byte), one) << int{pair.in_text} << " " << int{pair.in_pattern};
        EXPECT_EQ(FindLinear(text_byte, pattern_byte), one) << int{pair.in_text};
        EXPECT_EQ(Find(long_text, long_pattern), long_one) << int{pair.in_text} << " " << int{pair.in_pattern};
        EXPECT_EQ(FindLinear(long_text, long_pattern), long_one) << int{pair.in_text};
        EXPECT_EQ(FoldedEqual(&pair.in_text, &pair.in_pattern, 1), pair.same) << int{pair.in_text};
    }
}

TEST(FoldedFind, TextsWhereEveryPlaceLooksLikeAMatch) {
    // Over 8 MiB of one letter, patterns of that letter with one other byte
    // near an end; found only where that byte has been put.
    const std::size_t size = std::size_t{8} << 20;
    for (const std::size_t length : {16u, 128u}) {
        for (const std::size_t odd_place : {length - 1, length - 2, std::size_t{0}, length / 2}) {
            Bytes pattern(length, 'a');
            pattern[odd_place] = 'b';
            Bytes text(size, 'A');
            EXPECT_EQ(Find(text, pattern), kNotFound) << length << " odd at " << odd_place;
            const std::size_t match = size - 3 * length;
            text[match + odd_place] = 'B';
            EXPECT_EQ(Find(text, pattern), match) << length << " odd at " << odd_place;
        }
    }
    // Over alternating 80 01, the pattern (80 01)... 80 00 fits every other
    // place on its least common bytes, and each check fails only at the last.
    const Bytes pattern = AlternatingThenZero();
    Bytes text = Alternating(size);
    EXPECT_EQ(Find(text, pattern), kNotFound);
    text[size - 1001] = 0x00;
    EXPECT_EQ(Find(text, pattern), size - 1128);
}

TEST(FoldedFind, AMatchIsFoundWhereverTheScanChangesHands) {
    // Over alternating 80 01, every other place fits the pattern's least
    // common bytes and every check fails at the last byte, so the scan soon
    // hands a stretch to the linear search, takes over after it, and hands
    // over again. A copy of the pattern put at each place of two wide windows
    // around the first hand-backs must be found exactly there.
    const Bytes pattern = AlternatingThenZero();
    const Bytes text = Alternating(140000);
    for (const std::size_t window : {std::size_t{65536}, std::size_t{131072}}) {
        for (std::size_t place = window - 200; place < window + 400; ++place) {
            Bytes planted = text;
            std::copy(pattern.begin(), pattern.end(), planted.begin() + static_cast<std::ptrdiff_t>(place));
            ASSERT_EQ(Find(planted, pattern), place);
        }
    }
}

TEST(FoldedEqual, ComparesWithLettersFolded) {
    const std::uint8_t page[] = {'A', 'b', 0x40, 0xFF};
    const std::uint8_t same[] = {'a', 'B', 0x40, 0xFF};
    const std::uint8_t other[] = {'a', 'B', 0x60, 0xFF};
    EXPECT_TRUE(FoldedEqual(page, same, 4));
    EXPECT_FALSE(FoldedEqual(page, other, 4));
    EXPECT_TRUE(FoldedEqual(page, other, 2));
    EXPECT_TRUE(FoldedEqual(page, other, 0));
}

}  // namespace
}  // namespace varnex
