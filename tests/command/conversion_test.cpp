// The conversions one by one, on texts as they stand in a command line: a
// number or data operand runs from its start to the end of the line.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "command/data_conversion.h"
#include "command/number_conversion.h"

namespace varnex {
namespace {

struct TextValue {
    const char* text;
    std::uint32_t value;
};

TEST(DecimalValue, ReadsLikeStrtolAndClampsToTheSignedRange) {
    const TextValue cases[] = {
        {"0", 0},
        {"007", 7},
        {"+12", 12},
        {"   42x", 42},
        {"2147483647", 0x7FFFFFFF},
        {"2147483648", 0x7FFFFFFF},
        {"99999999999999999999999999999999", 0x7FFFFFFF},  // no overflow on the way
        {"-1", 0xFFFFFFFF},
        {"-2147483648", 0x80000000},
        {"-2147483649", 0x80000000},
        {"-99999999999999999999999999999999", 0x80000000},
        {"- 5", 0},  // the sign must touch the digits
        {"+-5", 0},
        {"", 0},
        {"   ", 0},
        {"0x10", 0},
        {"12:34", 12},
        {"K5", 0},
    };
    for (const TextValue& c : cases) EXPECT_EQ(DecimalValue(c.text), c.value) << '"' << c.text << '"';
}

TEST(HexValue, NonDigitsCountAsZeroAndTheLastEightDigitsDecide) {
    const TextValue cases[] = {
        {"DEADBEEF", 0xDEADBEEF},
        {"deadbeef", 0xDEADBEEF},
        {"123456789", 0x23456789},
        {"FFFFFFFF0", 0xFFFFFFF0},
        {"1G", 0x10},
        {"x1", 0x01},
        {"10K", 0x100},
        {"10 20", 0x10},  // ends at the blank
        {"", 0},
        {" 5", 0},
    };
    for (const TextValue& c : cases) EXPECT_EQ(HexValue(c.text), c.value) << '"' << c.text << '"';
}

struct NumberCase {
    const char* text;  // from the operand's start to the end of the line
    std::uint32_t first;
    std::uint32_t second;
};

TEST(ConvertNumber, RadixMultiplierAndColons) {
    const NumberCase cases[] = {
        {"4096", 0, 4096},
        {"0x1000", 0, 0x1000},
        {"0X1000", 0, 0x1000},
        {"00x10", 0, 0},  // the prefix counts only at the very start
        {"x10", 0, 0},
        {"1:0x10", 1, 0},
        {"0x1:80000000", 1, 0x80000000},
        {"1:2:3", 1, 3},
        {"0x1:2:3", 1, 3},
        {"-1:-1", 0xFFFFFFFF, 0xFFFFFFFF},
        {":5", 0, 5},
        {"7:", 7, 0},
        // A decimal second part reads on into the next word; a hexadecimal one
        // does not.
        {"12: 34", 12, 34},
        {"12: 34:5", 12, 34},
        {"0x12: 34", 0x12, 0},
        {"1:2 3:4", 1, 2},
        // The multiplier looks only at the token's last character and applies
        // only to the second part.
        {"4K", 0, 4096},
        {"1k", 0, 1024},
        {"1:2K", 1, 2048},
        {"1K:2", 1, 2},
        {"12: 3K", 12, 3},
        {" 3K", 0, 3},  // an empty token never turns it on
        {"5K:", 5, 0},
        {"k", 0, 0},
        {"0x10K", 0, 0x40000},
        {"0x1:2K", 1, 0x8000},
        {"0xFFFFFFFFK", 0, 0xFFFFC000},  // the K is a digit 0 first
        {"4194304K", 0, 0},  // 2^32 keeps its low 32 bits
        {"-1K", 0, 0xFFFFFC00},
        {"0x", 0, 0},
        {"0x 5", 0, 0},
        {"", 0, 0},
        {"abc", 0, 0},
    };
    for (const NumberCase& c : cases) {
        std::uint32_t first = 0xDEAD;
        std::uint32_t second = 0xBEEF;
        ConvertNumber(c.text, second, &first);
        EXPECT_EQ(first, c.first) << '"' << c.text << '"';
        EXPECT_EQ(second, c.second) << '"' << c.text << '"';

        std::uint32_t second_only = 0xBEEF;
        ConvertNumber(c.text, second_only, nullptr);
        EXPECT_EQ(second_only, c.second) << '"' << c.text << "\" without a first part";
    }
}

struct DataCase {
    std::string text;
    std::string bytes;
};

TEST(ConvertData, PairsCharactersByPositionToTheEndOfTheText) {
    const DataCase cases[] = {
        {"abcdef", "\xAB\xCD\xEF"},
        {"AB CD", std::string("\xAB\x0C", 2)},
        {"ABC", "\xAB"},
        {"ABCD  ", std::string("\xAB\xCD\x00", 3)},
        {"ABCD extra", std::string("\xAB\xCD\x0E\x00\x0A", 5)},
        {"0x12", std::string("\x00\x12", 2)},
        {"G1", "\x01"},
        {"A", ""},
        {"", ""},
        {"12\x80" "34", "\x12"},  // a byte of 128 or more ends the text
    };
    for (const DataCase& c : cases) {
        std::array<std::uint8_t, 128> data{};
        const std::uint32_t count = ConvertData(c.text.c_str(), data.data());
        EXPECT_EQ(std::string(data.begin(), data.begin() + count), c.bytes) << '"' << c.text << '"';
    }
}

TEST(ConvertData, StopsAtTheHundredAndTwentyEighthByte) {
    // One byte of room beyond the data buffer shows that nothing is written
    // past it.
    std::array<std::uint8_t, 129> data{};
    data[128] = 0xEE;
    std::string text(256, '1');
    text += "22";
    EXPECT_EQ(ConvertData(text.c_str(), data.data()), 128u);
    EXPECT_EQ(data[127], 0x11);
    EXPECT_EQ(data[128], 0xEE);

    // 255 characters: the last one is unpaired.
    const std::string odd(255, 'F');
    EXPECT_EQ(ConvertData(odd.c_str(), data.data()), 127u);
    EXPECT_EQ(data[126], 0xFF);
}

}  // namespace
}  // namespace varnex
