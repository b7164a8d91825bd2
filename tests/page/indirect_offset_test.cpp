#include "page/indirect_offset.h"

#include <gtest/gtest.h>

#include <cstring>

#include "command/word_kind.h"

namespace varnex {
namespace {

struct Layout {
    WordKind kind;
    std::vector<std::uint8_t> bytes;
    std::uint32_t high;
    std::uint32_t low;
};

TEST(StoredOffsets, EveryLayout) {
    const std::vector<std::uint8_t> b = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    const Layout cases[] = {
        {WordKind::kWI16, b, 0, 0x2211},
        {WordKind::kWI24, b, 0, 0x33002211},
        {WordKind::kWI32, b, 0, 0x44332211},
        {WordKind::kWI48, b, 0x6655, 0x44332211},
        {WordKind::kWI56, b, 0x77006655, 0x44332211},
        {WordKind::kWI64, b, 0x88776655, 0x44332211},
        {WordKind::kWC16, b, 0, 0x1122},
        {WordKind::kWC24, b, 0, 0x33001122},
        {WordKind::kWC32, b, 0, 0x11223344},
        {WordKind::kWC48, b, 0x55660000, 0x11223344},
        {WordKind::kWC56, b, 0x55667700, 0x11223344},
        {WordKind::kWC64, b, 0x55667788, 0x11223344},
        {WordKind::kWD32, b, 0x44, 0x33221100},
        // The worked examples.
        {WordKind::kWI24, {1, 2, 3}, 0, 0x03000201},
        {WordKind::kWC24, {1, 2, 3}, 0, 0x03000102},
        {WordKind::kWI64, {0, 0x10, 0, 0, 1, 0, 0, 0}, 1, 0x1000},
        {WordKind::kWC64, {0, 0, 0x10, 0, 0, 0, 0, 1}, 1, 0x1000},
        {WordKind::kWC48, {0, 0, 0x10, 0, 1, 2}, 0x01020000, 0x1000},
        {WordKind::kWD32, {1, 0, 0, 0}, 0, 0x100},
        {WordKind::kWD32, {0, 0, 0, 1}, 1, 0},
    };
    for (const Layout& c : cases) {
        std::uint32_t high = 7, low = 7;
        ASSERT_TRUE(AssembleStoredOffset(c.bytes.data(), static_cast<std::uint32_t>(c.kind), high, low));
        EXPECT_EQ(high, c.high) << std::hex << static_cast<std::uint32_t>(c.kind);
        EXPECT_EQ(low, c.low) << std::hex << static_cast<std::uint32_t>(c.kind);
    }
}

}  // namespace
}  // namespace varnex
