#include "output/dump.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;

// The address after @: upper-case, zero-padded to the width of the build's
// pointers (8 digits in a 32-bit program, 16 in a 64-bit one).
std::string AddressOf(const void* data) {
    char text[32];
    const int digits = static_cast<int>(sizeof data * 2);
    std::snprintf(text, sizeof text, "%0*" PRIXPTR, digits, reinterpret_cast<std::uintptr_t>(data));
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "output must end with a newline";
    return lines;
}

TEST(HexDump, ReproducesTheVerifyFailedExample) {
    const std::uint8_t bytes[] = {0x61, 0x62, 0x63, 0x00, 0xFF, 0x20, 0x7E, 0x7F, 0x41, 0x42,
                                  0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x48, 0x69, 0x20, 0x0A};
    CapturedOutput output;
    HexDump(bytes, "Verify Failed", 20);
    const std::string at = AddressOf(bytes);
    EXPECT_EQ(output.Text(),
              "+---- Start of Dump: Verify Failed -------------- 20 (0x0014) bytes @" + at + " --------------\n"
              "0000: 61 62 63 00 FF 20 7E 7F   41 42 43 44 45 46 47 48  :abc...~. ABCDEFGH\n"
              "0010: 48 69 20 0A 00 00 00 00   00 00 00 00 00 00 00 00  :Hi...... ........\n"
              "+---- End of Dump: Verify Failed -------------- 20 (0x0014) bytes @" + at + " --------------\n");
    EXPECT_EQ(output.LineCount(), 4u) << "each line must leave in one piece";
}

TEST(BitDump, ReproducesThePageExample) {
    const std::uint8_t bytes[] = {0x61, 0x62, 0x63, 0x00, 0xFF};
    CapturedOutput output;
    BitDump(bytes, "Page# 1 - Offset: 0x00000000:00000000", 5);
    const std::string at = AddressOf(bytes);
    const std::string middle =
        "0000: 61 62 63 00 FF 00 00 00   :0110 0001 0110 0010 0110 0011 0000 0000 1111 1111 "
        "0000 0000 0000 0000 0000 0000 ";
    EXPECT_EQ(middle.size(), 113u);
    EXPECT_EQ(output.Text(),
              "+---- Start of Dump: Page# 1 - Offset: 0x00000000:00000000 -------------- 5 (0x0005) bytes @" + at +
                  " --------------\n" + middle +
                  "\n+---- End of Dump: Page# 1 - Offset: 0x00000000:00000000 -------------- 5 (0x0005) bytes @" +
                  at + " --------------\n");
}

TEST(Dumps, NonPositiveLengthsGiveTheBannersOnly) {
    const std::uint8_t byte = 0x41;
    struct Case {
        std::int32_t length;
        const char* shown;
    } cases[] = {{0, " 0 (0x0000) bytes @"}, {-1, " -1 (0xffffffff) bytes @"},
                 {INT32_MIN, " -2147483648 (0x80000000) bytes @"}};
    for (const Case& c : cases) {
        for (auto* dump : {&HexDump, &BitDump}) {
            CapturedOutput output;
            dump(&byte, "T", c.length);
            const auto lines = Lines(output.Text());
            ASSERT_EQ(lines.size(), 2u) << c.length;
            EXPECT_NE(lines[0].find(c.shown), std::string::npos) << lines[0];
            EXPECT_EQ(lines[0].substr(0, 24), "+---- Start of Dump: T -");
            EXPECT_EQ(lines[1].substr(0, 22), "+---- End of Dump: T -");
        }
    }
}

TEST(Dumps, LineCountsAtTheBlockBoundaries) {
    std::vector<std::uint8_t> bytes(40, 0x41);
    struct Case {
        void (*dump)(const std::uint8_t*, const char*, std::int32_t);
        std::int32_t length;
        std::size_t lines;
    } cases[] = {{HexDump, 1, 3},  {HexDump, 16, 3}, {HexDump, 17, 4}, {HexDump, 32, 4},
                 {BitDump, 1, 3},  {BitDump, 8, 3},  {BitDump, 9, 4},  {BitDump, 40, 7}};
    for (const Case& c : cases) {
        CapturedOutput output;
        c.dump(bytes.data(), "T", c.length);
        EXPECT_EQ(Lines(output.Text()).size(), c.lines) << c.length;
    }
}

TEST(HexDump, ShortLastLineIsZeroFilledAndReadsNothingPastTheEnd) {
    // The byte after the one shown is 'Z'; it must not appear.
    const std::uint8_t bytes[] = {0x41, 0x5A};
    CapturedOutput output;
    HexDump(bytes, "T", 1);
    EXPECT_EQ(Lines(output.Text())[1], "0000: 41 00 00 00 00 00 00 00   00 00 00 00 00 00 00 00  :A....... ........");
}

TEST(HexDump, CharacterColumnBoundaries) {
    const std::uint8_t bytes[] = {0x20, 0x21, 0x7E, 0x7F, 0x80, 0xFF, 0x00, 0x30,
                                  0x09, 0x0A, 0x0D, 0x41, 0x61, 0x2E, 0x3A, 0xA5};
    CapturedOutput output;
    HexDump(bytes, "T", 16);
    EXPECT_EQ(Lines(output.Text())[1], "0000: 20 21 7E 7F 80 FF 00 30   09 0A 0D 41 61 2E 3A A5  :.!~....0 ...Aa.:.");
}

TEST(BitDump, ShowsEachByteAsTwoNibbles) {
    const std::uint8_t bytes[] = {0xA5};
    CapturedOutput output;
    BitDump(bytes, "T", 1);
    const std::string line = Lines(output.Text())[1];
    EXPECT_EQ(line.substr(0, 53), "0000: A5 00 00 00 00 00 00 00   :1010 0101 0000 0000 ");
    EXPECT_EQ(line.back(), ' ');
}

TEST(HexDump, OffsetsGrowToFiveDigitsPast0xFFFF) {
    std::vector<std::uint8_t> bytes(0x10010, 0x00);
    CapturedOutput output;
    HexDump(bytes.data(), "T", static_cast<std::int32_t>(bytes.size()));
    const auto lines = Lines(output.Text());
    ASSERT_EQ(lines.size(), 2u + 0x1001u);
    EXPECT_EQ(lines[0x1000].substr(0, 6), "FFF0: ");
    EXPECT_EQ(lines[0x1000].size(), 75u);
    EXPECT_EQ(lines[0x1001].substr(0, 7), "10000: ");
    EXPECT_EQ(lines[0x1001].size(), 76u);
}

TEST(Dumps, EndBannerRepeatsTheStartBanner) {
    std::vector<std::uint8_t> bytes(100, 0x33);
    CapturedOutput output;
    BitDump(bytes.data() + 3, "Page# 7 - Offset: 0x00000001:00000000 (+3)", 97);
    const auto lines = Lines(output.Text());
    const std::string start = lines.front().substr(std::string("+---- Start").size());
    const std::string end = lines.back().substr(std::string("+---- End").size());
    EXPECT_EQ(start, end);
    EXPECT_NE(start.find("97 (0x0061) bytes @" + AddressOf(bytes.data() + 3) + " --------------"), std::string::npos);
}

}  // namespace
}  // namespace varnex
