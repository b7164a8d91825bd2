#include "page/indirect_offset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <vector>

#include "command/word_kind.h"
#include "fake_page_memory.h"

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

constexpr std::uint32_t kWI16 = static_cast<std::uint32_t>(WordKind::kWI16);
constexpr std::uint32_t kWI32 = static_cast<std::uint32_t>(WordKind::kWI32);
constexpr std::uint32_t kWI64 = static_cast<std::uint32_t>(WordKind::kWI64);
constexpr std::uint32_t kWC16 = static_cast<std::uint32_t>(WordKind::kWC16);

struct Target {
    bool found;
    std::uint32_t high;
    std::uint32_t low;
    bool operator==(const Target&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Target& target) {
    return out << (target.found ? "found " : "failed ") << std::hex << target.high << ':' << target.low;
}

Target Compute(const PageStack& stack, std::uint32_t offset, std::uint32_t word_kind) {
    std::uint32_t value_b = offset;
    std::uint32_t value_a = word_kind;
    const bool found = ComputeIndirectOffset(stack, value_b, value_a);
    return {found, value_a, value_b};
}

// Makes the current slot hold `loaded` bytes: the 16-bit word `tag` at
// every even offset, least significant byte first.
void Hold(PageStack& stack, PageState state, std::uint32_t loaded, std::uint16_t tag) {
    PageSlot& slot = stack.Current();
    slot.state = state;
    slot.loaded_length = loaded;
    for (std::uint32_t i = 0; i < loaded; ++i) slot.buffer[i] = static_cast<std::uint8_t>(i % 2 == 0 ? tag : tag >> 8);
}

TEST(IndirectOffset, TheSourceIsTheCurrentPageOrTheOneDirectlyBelow) {
    testing::FakePageMemory memory;
    PageStack stack(memory);
    ASSERT_TRUE(stack.Start(64));
    EXPECT_EQ(Compute(stack, 0, kWI16), (Target{false, 0, 0})) << "no page anywhere";

    for (const PageState state : {PageState::kLoaded, PageState::kVerifyFailed, PageState::kUpdated}) {
        Hold(stack, state, 64, 0x1111);
        EXPECT_EQ(Compute(stack, 0, kWI16), (Target{true, 0, 0x1111})) << static_cast<int>(state);
    }
    ASSERT_TRUE(stack.Push());
    EXPECT_EQ(Compute(stack, 2, kWI16), (Target{true, 0, 0x1111})) << "the new slot holds no page: read below";
    Hold(stack, PageState::kLoaded, 64, 0x2222);
    EXPECT_EQ(Compute(stack, 2, kWI16), (Target{true, 0, 0x2222})) << "a page of its own is read";
    ASSERT_TRUE(stack.Push());
    ASSERT_TRUE(stack.Push());
    EXPECT_EQ(Compute(stack, 2, kWI16), (Target{false, 0, 0}))
        << "the slot below holds no page either; nothing further down is looked at";
}

TEST(IndirectOffset, TheStoredWordMustLieWithinTheLoadedBytes) {
    testing::FakePageMemory memory;
    PageStack stack(memory);
    ASSERT_TRUE(stack.Start(1024));
    Hold(stack, PageState::kLoaded, 512, 0x0201);
    const struct {
        std::uint32_t offset;
        std::uint32_t word_kind;
        Target expected;
    } cases[] = {
        {508, kWI32, {true, 0, 0x02010201}},
        {509, kWI32, {false, 0, 0}},
        {504, kWI64, {true, 0x02010201, 0x02010201}},
        {505, kWI64, {false, 0, 0}},
        {510, kWC16, {true, 0, 0x0102}},
        {511, kWI16, {false, 0, 0}},
        {512, kWI16, {false, 0, 0}},
        {0xFFFFFFFF, kWI16, {false, 0, 0}},  // o + w wraps to 1 in 32 bits
        {0xFFFFFFFE, kWI64, {false, 0, 0}},
        {0, 0x40, {false, 0, 0}},  // no word kind has this code
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Compute(stack, c.offset, c.word_kind), c.expected) << c.offset << " kind " << c.word_kind;
    }
}

TEST(IndirectOffset, ThePageIsReadAsItStandsInMemory) {
    testing::FakePageMemory memory;
    PageStack stack(memory);
    ASSERT_TRUE(stack.Start(16));
    Hold(stack, PageState::kUpdated, 16, 0);
    stack.Current().buffer[8] = 0x00;
    stack.Current().buffer[9] = 0x10;
    EXPECT_EQ(Compute(stack, 8, kWI32), (Target{true, 0, 0x1000}));
    // Bytes past a page cut short by PAGESIZE are not part of the page.
    stack.Current().loaded_length = 11;
    EXPECT_EQ(Compute(stack, 8, kWI32), (Target{false, 0, 0}));
}

}  // namespace
}  // namespace varnex
