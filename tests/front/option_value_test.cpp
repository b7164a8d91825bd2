#include "front/option_value.h"

#include <gtest/gtest.h>

namespace varnex {
namespace {

TEST(OptionValue, ConvertsEveryFormOfThePageSize) {
    struct Case {
        const char* text;
        std::int32_t expected;
    } cases[] = {
        {"4096", 4096},
        {"4K", 4096},
        {"4k", 4096},
        {"0x1000", 4096},
        {"0X1000", 4096},
        {"0x4K", 0x40 * 1024},      // K is read as a hexadecimal 0 digit first
        {"0x10K", 0x100 * 1024},
        {"1:512", 512},             // only the part after the last colon counts
        {"1:2:0x10", 0},            // the prefix is only recognised at the start
        {"0x1:2:ff", 0xFF},
        {"abc", 0},
        {"", 0},
        {"0x", 0},
        {"0xg1", 1},                // non-digits count as 0 in hexadecimal
        {"0x123456789", 0x23456789},
        {"  12", 12},               // decimal reading skips leading white space
        {"+7", 7},
        {"-5", -5},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
        {"2097152K", INT32_MIN},    // 2^21 * 1024 keeps the low 32 bits
        {"12abc", 12},
        {"12 K", 12},               // the token ends at the blank: no multiplier
        {"0x1 2", 0x102},           // hexadecimal reading runs past the blank
        {"5\xC3K", 5},              // a byte of 128 or more ends the token
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseOptionValue(c.text), c.expected) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace varnex
