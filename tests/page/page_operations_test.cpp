// Verify, replace and search on a page in memory: bounds against the loaded
// length, letter folding, and the exact lines each outcome prints.

#include "page/page_operations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using Bytes = std::vector<std::uint8_t>;

// A 64-byte buffer of which the first `loaded` bytes are the page: "ABC" at
// 10, "abc" at 20, 0x60 at 30, the rest counting bytes.
Bytes PageBytes() {
    Bytes page(64);
    for (std::size_t i = 0; i < page.size(); ++i) page[i] = static_cast<std::uint8_t>(0x80 + i);
    page[10] = 'A', page[11] = 'B', page[12] = 'C';
    page[20] = 'a', page[21] = 'b', page[22] = 'c';
    page[30] = 0x60;
    return page;
}

constexpr std::uint32_t kLoaded = 40;

struct Case {
    std::uint32_t offset;
    Bytes data;
    bool result;
    const char* log;
};

TEST(Verify, BoundsFoldingAndMessages) {
    const Case cases[] = {
        {10, {'a', 'b', 'c'}, true, "MIP0112I: Verify operation succeeded (3 bytes compared).\n\n"},
        {20, {'A', 'B', 'C'}, true, "MIP0112I: Verify operation succeeded (3 bytes compared).\n\n"},
        {38, {0xA6, 0xA7}, true, "MIP0112I: Verify operation succeeded (2 bytes compared).\n\n"},
        {40, {}, true, "MIP0112I: Verify operation succeeded (0 bytes compared).\n\n"},
        {39, {0xA7, 0xA8},
         false,
         "MIP0111E: The verify operation (Offset: 39, Length: 2) failed because the patch overlapped the end of the "
         "page.\n\n"},
        {41, {}, false,
         "MIP0111E: The verify operation (Offset: 41, Length: 0) failed because the patch overlapped the end of the "
         "page.\n\n"},
        {0x80000000, {0x00}, false,
         "MIP0111E: The verify operation (Offset: -2147483648, Length: 1) failed because the patch overlapped the end "
         "of the page.\n\n"},
        {0xFFFFFFFF, {0x00, 0x00}, false,
         "MIP0111E: The verify operation (Offset: -1, Length: 2) failed because the patch overlapped the end of the "
         "page.\n\n"},
    };
    for (const Case& c : cases) {
        Bytes page = PageBytes();
        CapturedOutput output;
        EXPECT_EQ(VerifyBytes({page.data(), kLoaded}, c.offset, c.data.data(), static_cast<std::uint32_t>(c.data.size())),
                  c.result)
            << c.offset;
        EXPECT_EQ(output.Text(), c.log);
        EXPECT_EQ(page, PageBytes()) << "verify never changes the page";
    }
}

TEST(Verify, AMismatchDumpsTheBytesFound) {
    Bytes page = PageBytes();
    const Bytes expected = {0x40};  // the page holds 0x60: not a letter, no folding
    CapturedOutput output;
    EXPECT_FALSE(VerifyBytes({page.data(), kLoaded}, 30, expected.data(), 1));
    const std::string& log = output.Text();
    EXPECT_EQ(log.rfind("MIP0113E: Verify operation failed.\n\n+---- Start of Dump: Verify Failed ", 0), 0u) << log;
    EXPECT_NE(log.find("0000: 60 "), std::string::npos) << "shows the page's byte, not the expected one\n" << log;
    EXPECT_EQ(log.substr(log.size() - 3), "-\n\n") << "an empty line follows the dump";
}

TEST(Replace, BoundsAndMessages) {
    const char* refused = "MIP0114E: The replace operation failed because the patch overlapped the end of the page.\n\n";
    const Case cases[] = {
        {10, {'x', 'Y'}, true, "MIP0116I: Replace operation succeeded (2 bytes updated).\n\n"},
        {39, {0x01}, true, "MIP0116I: Replace operation succeeded (1 bytes updated).\n\n"},
        {40, {}, true, "MIP0116I: Replace operation succeeded (0 bytes updated).\n\n"},
        {39, {0x01, 0x02}, false, refused},
        {41, {}, false, refused},
        {0xFFFFFFFF, {0x01, 0x02}, false, refused},
    };
    for (const Case& c : cases) {
        Bytes page = PageBytes();
        CapturedOutput output;
        EXPECT_EQ(
            ReplaceBytes({page.data(), kLoaded}, c.offset, c.data.data(), static_cast<std::uint32_t>(c.data.size())),
            c.result)
            << c.offset;
        EXPECT_EQ(output.Text(), c.log);
        Bytes expected = PageBytes();
        if (c.result) std::copy(c.data.begin(), c.data.end(), expected.begin() + c.offset);
        EXPECT_EQ(page, expected) << "bytes written unchanged, letter case included, and only when they fit";
    }
}

TEST(Search, FirstOccurrenceAtOrAfterTheOffset) {
    const char* absent = "MIP0125I: The search string was not found in the current page.\n\n";
    const Case cases[] = {
        {0, {'a', 'b', 'c'}, true, "MIP0124I: The search string was located at offset 10 (0x000A) in the current page.\n\n"},
        {11, {'a', 'b', 'c'}, true, "MIP0124I: The search string was located at offset 20 (0x0014) in the current page.\n\n"},
        {21, {'A', 'B', 'C'}, false, absent},
        {0, {0x40}, false, absent},
        {0, {0xA6, 0xA7}, true, "MIP0124I: The search string was located at offset 38 (0x0026) in the current page.\n\n"},
        {0, {0xA7, 0xA8}, false, absent},  // lies past the loaded bytes
        {7, {}, true, "MIP0124I: The search string was located at offset 7 (0x0007) in the current page.\n\n"},
        {40, {}, true, "MIP0124I: The search string was located at offset 40 (0x0028) in the current page.\n\n"},
        {41, {}, false, absent},
        {0xFFFFFFFF, {0xA7}, false, absent},
    };
    for (const Case& c : cases) {
        Bytes page = PageBytes();
        CapturedOutput output;
        EXPECT_EQ(
            SearchBytes({page.data(), kLoaded}, c.offset, c.data.data(), static_cast<std::uint32_t>(c.data.size())),
            c.result)
            << c.offset;
        EXPECT_EQ(output.Text(), c.log);
    }
}

TEST(Search, PositionsAboveSixteenBitsShowAllTheirDigits) {
    Bytes page(0x12345, 0);
    page[0x12340] = 0x99;
    const std::uint8_t wanted = 0x99;
    CapturedOutput output;
    EXPECT_TRUE(SearchBytes({page.data(), static_cast<std::uint32_t>(page.size())}, 100, &wanted, 1));
    EXPECT_EQ(output.Text(),
              "MIP0124I: The search string was located at offset 74560 (0x12340) in the current page.\n\n");
}

}  // namespace
}  // namespace varnex
