// Operand conversions seen through the reader: each case is one command line
// and the values the interpreter receives.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/command_reader.h"
#include "command/word_kind.h"
#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;

Command Read(const std::string& line, std::uint32_t page_size = 4096) {
    CapturedOutput output;
    const std::string stream = line + "\n";
    StringByteSource source(stream);
    CommandReader reader(source);
    Command command;
    reader.ReadCommand(page_size, command);
    return command;
}

struct ValueCase {
    const char* line;
    CommandCode code;
    std::uint32_t value_a;
    std::uint32_t value_b;
};

TEST(NumberOperands, OffsetsAndSizes) {
    const ValueCase cases[] = {
        {"PAGE 0x1000", CommandCode::kPage, 0, 0x1000},
        {"PAGE 4096", CommandCode::kPage, 0, 4096},
        {"PAGE 1:0", CommandCode::kPage, 1, 0},
        {"PAGE 0x1:0x80000000", CommandCode::kPage, 1, 0x80000000},  // the x counts as a digit 0
        {"PAGE 0x1:80000000", CommandCode::kPage, 1, 0x80000000},
        {"PAGE 1:0x10", CommandCode::kPage, 1, 0},
        {"PAGE 1:2:3", CommandCode::kPage, 1, 3},
        {"PAGE 12: 34", CommandCode::kPage, 12, 34},
        {"PAGE 0x12: 34", CommandCode::kPage, 0x12, 0},
        {"PAGE 4K", CommandCode::kPage, 0, 4096},
        {"PAGE 1:2K", CommandCode::kPage, 1, 2048},
        {"PAGE 1K:2", CommandCode::kPage, 1, 2},
        {"PAGE 0x10K", CommandCode::kPage, 0, 0x40000},
        {"PAGE 2147483648", CommandCode::kPage, 0, 0x7FFFFFFF},
        {"PAGE 4294967295", CommandCode::kPage, 0, 0x7FFFFFFF},
        {"PAGE -1", CommandCode::kPage, 0, 0xFFFFFFFF},
        {"PAGE -99999999999", CommandCode::kPage, 0, 0x80000000},
        {"PAGE 0x123456789", CommandCode::kPage, 0, 0x23456789},
        {"PAGE 0x", CommandCode::kPage, 0, 0},
        {"PAGE 0xZZ1", CommandCode::kPage, 0, 1},
        {"PAGE 12abc", CommandCode::kPage, 0, 12},
        {"PAGE 5 6", CommandCode::kPage, 0, 5},
        {"PAGE 2147483647K", CommandCode::kPage, 0, 0xFFFFFC00},
        {"PAGESIZE 0x1000", CommandCode::kPageSize, 0, 4096},
        {"PAGESIZE 4K", CommandCode::kPageSize, 0, 4096},
        {"PAGESIZE 100 200", CommandCode::kPageSize, 0, 100},
        {"DUMP", CommandCode::kDump, 0, 0},
        {"DUMP 0x10 0x20", CommandCode::kDump, 32, 16},
        {"BITDUMP 8", CommandCode::kBitDump, 0, 8},
        {"bitdump 1:8 2:4 9", CommandCode::kBitDump, 4, 8},
        {"VER 1:20 AB", CommandCode::kVerify, 0, 20},
        {"WRITE 5", CommandCode::kWrite, 0, 0},
    };
    for (const ValueCase& c : cases) {
        const Command command = Read(c.line);
        EXPECT_EQ(command.code, c.code) << c.line;
        EXPECT_EQ(command.value_a, c.value_a) << c.line;
        EXPECT_EQ(command.value_b, c.value_b) << c.line;
    }
}

TEST(NumberOperands, PageNumbersUseTheCurrentPageSize) {
    const ValueCase cases[] = {
        {"PAGE #0", CommandCode::kPage, 0, 0},
        {"PAGE #1", CommandCode::kPage, 0, 0},
        {"PAGE #2", CommandCode::kPage, 0, 4096},
        {"PAGE #3K", CommandCode::kPage, 0, 3071u * 4096u},
        {"PAGE #1048577", CommandCode::kPage, 0, 0},  // the product wraps
        {"PAGE #1:2", CommandCode::kPage, 1, 4096},
        {"PAGE # 5", CommandCode::kPage, 0, 4 * 4096},
        {"PAGE #0x10", CommandCode::kPage, 0, 15 * 4096},
    };
    for (const ValueCase& c : cases) {
        const Command command = Read(c.line);
        EXPECT_EQ(command.code, c.code) << c.line;
        EXPECT_EQ(command.value_a, c.value_a) << c.line;
        EXPECT_EQ(command.value_b, c.value_b) << c.line;
    }
    EXPECT_EQ(Read("PAGE #3", 512).value_b, 1024u);
}

TEST(NumberOperands, IndirectFormTakesAWordKind) {
    const std::uint32_t wi64 = static_cast<std::uint32_t>(WordKind::kWI64);
    const ValueCase cases[] = {
        {"PAGE @16 wi32", CommandCode::kIndirectPage, static_cast<std::uint32_t>(WordKind::kWI32), 16},
        {"PAGE @16", CommandCode::kIndirectPage, wi64, 16},
        {"PAGE @ 16 WI32", CommandCode::kIndirectPage, wi64, 16},
        {"PAGE @1:8 Wc32", CommandCode::kIndirectPage, static_cast<std::uint32_t>(WordKind::kWC32), 8},
        {"PAGE @0x10 WD32 more", CommandCode::kIndirectPage, static_cast<std::uint32_t>(WordKind::kWD32), 16},
        {"PAGE @8 WC320", CommandCode::kIndirectPage, wi64, 8},
        {"PAGE @8 W32", CommandCode::kIndirectPage, wi64, 8},
    };
    for (const ValueCase& c : cases) {
        const Command command = Read(c.line);
        EXPECT_EQ(command.code, c.code) << c.line;
        EXPECT_EQ(command.value_a, c.value_a) << c.line;
        EXPECT_EQ(command.value_b, c.value_b) << c.line;
    }
}

TEST(WordKinds, KeywordsAndWidths) {
    const char* keywords[] = {"WI16", "WI24", "WI32", "WI48", "WI56", "WI64", "WC16",
                              "WC24", "WC32", "WC48", "WC56", "WC64", "WD32"};
    const std::uint32_t codes[] = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000, 0x10000};
    const std::uint32_t widths[] = {2, 3, 4, 6, 7, 8, 2, 3, 4, 6, 7, 8, 4};
    for (std::size_t i = 0; i < std::size(keywords); ++i) {
        EXPECT_EQ(LookUpWordKind(keywords[i]), codes[i]) << keywords[i];
        EXPECT_EQ(WordKindWidth(codes[i]), widths[i]) << keywords[i];
    }
    EXPECT_EQ(LookUpWordKind(nullptr), 0x20u);
    EXPECT_EQ(LookUpWordKind("wc32 extra"), 0x400u);
    EXPECT_EQ(WordKindWidth(0x40), 0u);
    EXPECT_EQ(WordKindWidth(0), 0u);
}

std::vector<std::uint8_t> DataOf(const std::string& line) {
    const Command command = Read(line);
    return {command.data, command.data + command.byte_count};
}

TEST(DataOperands, PairByPositionToTheEndOfTheLine) {
    using Bytes = std::vector<std::uint8_t>;
    EXPECT_EQ(DataOf("REP 10 abcdef"), (Bytes{0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(DataOf("REP 10 AB CD"), (Bytes{0xAB, 0x0C}));
    EXPECT_EQ(DataOf("REP 10 ABC"), (Bytes{0xAB}));
    EXPECT_EQ(DataOf("VER 10 ABCD  "), (Bytes{0xAB, 0xCD, 0x00}));
    EXPECT_EQ(DataOf("VER 10 ABCD "), (Bytes{0xAB, 0xCD}));
    EXPECT_EQ(DataOf("VER 10 ABCD extra"), (Bytes{0xAB, 0xCD, 0x0E, 0x00, 0x0A}));
    EXPECT_EQ(DataOf("SEARCH 0 0x12"), (Bytes{0x00, 0x12}));
    EXPECT_EQ(DataOf("VER 0 A"), Bytes{});
    EXPECT_EQ(DataOf("VER 0 zz"), (Bytes{0x00}));

    std::string digits;
    for (int i = 0; i < 300; ++i) digits += "0123456789ABCDEF"[i % 16];
    const Bytes bytes = DataOf("REP 0 " + digits);
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(bytes.front(), 0x01);
    EXPECT_EQ(bytes[7], 0xEF);
    EXPECT_EQ(bytes.back(), 0xEF);
}

}  // namespace
}  // namespace varnex
