// The page stack on its own: what a pushed slot inherits, the ten-slot limit,
// popping, growing a buffer, and that every buffer taken is given back, also
// when memory runs short.

#include "page/page_stack.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_page_memory.h"
#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using testing::FakePageMemory;

constexpr char kStackFull[] =
    "MIP0120E: The push command could not be executed as there is no space left on the stack.\n";

constexpr std::uint8_t kStaleByte = 0x5A;

// Makes the current slot hold a page as a PAGE command would: bytes 1, 2, 3
// and so on, and stale bytes from an earlier page after them.
void Hold(PageStack& stack, PageState state, std::uint32_t high, std::uint32_t low, std::uint32_t loaded) {
    PageSlot& slot = stack.Current();
    slot.state = state;
    slot.offset_high = high;
    slot.offset_low = low;
    slot.loaded_length = loaded;
    for (std::uint32_t i = 0; i < slot.capacity; ++i) {
        slot.buffer[i] = i < loaded ? static_cast<std::uint8_t>(i + 1) : kStaleByte;
    }
}

TEST(PageStack, TheBaseSlotStartsEmptyWithABufferOfThePageSize) {
    for (const std::uint32_t page_size : {0u, 1u, 4096u}) {
        FakePageMemory memory;
        PageStack stack(memory);
        ASSERT_TRUE(stack.Start(page_size));
        const PageSlot& base = stack.Current();
        EXPECT_EQ(stack.TopIndex(), 0u);
        EXPECT_EQ(base.capacity, page_size);
        EXPECT_EQ(base.page_size, page_size);
        EXPECT_EQ(base.state, PageState::kNoPage);
        EXPECT_EQ(base.offset_high, 0u);
        EXPECT_EQ(base.offset_low, 0u);
        EXPECT_NE(base.buffer, nullptr);
        EXPECT_EQ(memory.asked, std::vector<std::uint32_t>{page_size});
    }
}

TEST(PageStack, StartFailsWithoutMemory) {
    FakePageMemory memory;
    memory.allocations_left = 0;
    PageStack stack(memory);
    EXPECT_FALSE(stack.Start(4096));
    EXPECT_EQ(stack.Current().buffer, nullptr);
}

TEST(PageStack, APushedSlotTakesTheCapacityAndPageSizeButNoPage) {
    FakePageMemory memory;
    PageStack stack(memory);
    ASSERT_TRUE(stack.Start(64));
    stack.Current().page_size = 16;  // as after PAGESIZE 16
    Hold(stack, PageState::kUpdated, 1, 0x2000, 16);
    CapturedOutput output;
    ASSERT_TRUE(stack.Push());
    EXPECT_EQ(output.Text(), "");
    EXPECT_EQ(stack.TopIndex(), 1u);
    const PageSlot& fresh = stack.Current();
    EXPECT_EQ(fresh.capacity, 64u);
    EXPECT_EQ(fresh.page_size, 16u);
    EXPECT_EQ(fresh.state, PageState::kNoPage);
    EXPECT_EQ(fresh.offset_high, 0u);
    EXPECT_EQ(fresh.offset_low, 0u);
    EXPECT_EQ(memory.asked.back(), 64u) << "the new buffer has the capacity, not the page size";
    const PageSlot& below = stack.At(0);
    EXPECT_EQ(below.state, PageState::kUpdated);
    EXPECT_EQ(below.offset_low, 0x2000u);
    EXPECT_EQ(below.loaded_length, 16u);
    EXPECT_NE(below.buffer, fresh.buffer);
}

TEST(PageStack, HoldsTenSlotsAndRefusesTheEleventh) {
    FakePageMemory memory;
    PageStack stack(memory);
    ASSERT_TRUE(stack.Start(8));
    CapturedOutput output;
    for (std::uint32_t pushed = 1; pushed <= 9; ++pushed) {
        Hold(stack, PageState::kLoaded, 0, pushed, 8);
        ASSERT_TRUE(stack.Push()) << pushed;
    }
    EXPECT_EQ(output.Text(), "");
    const PageSlot* top = &stack.Current();
    EXPECT_FALSE(stack.Push());
    EXPECT_EQ(output.Text(), kStackFull);
    EXPECT_EQ(stack.TopIndex(), 9u);
    EXPECT_EQ(&stack.Current(), top);
    EXPECT_EQ(memory.LiveBuffers(), 10u);
}

TEST(PageStack, APushWithoutMemoryIsRefusedAndChangesNothing) {
    FakePageMemory memory;
    PageStack stack(memory);
    ASSERT_TRUE(stack.Start(32));
    Hold(stack, PageState::kLoaded, 0, 0x40, 32);
    memory.allocations_left = 0;
    CapturedOutput output;
    EXPECT_FALSE(stack.Push());
    EXPECT_EQ(output.Text(), kStackFull);
    EXPECT_EQ(stack.TopIndex(), 0u);
    EXPECT_EQ(stack.Current().state, PageState::kLoaded);
    EXPECT_EQ(stack.Current().offset_low, 0x40u);
}

TEST(PageStack, PopWarnsOnlyAboutAnUpdatedSlotAndNeverPopsTheBase) {
    FakePageMemory memory;
    PageStack stack(memory);
    ASSERT_TRUE(stack.Start(8));
    Hold(stack, PageState::kUpdated, 0, 0x10, 8);
    CapturedOutput output;
    EXPECT_FALSE(stack.Pop());
    EXPECT_EQ(output.Text(), "") << "the base slot is not popped, so nothing is lost";
    EXPECT_EQ(stack.Current().state, PageState::kUpdated);

    for (const PageState state : {PageState::kNoPage, PageState::kLoaded, PageState::kVerifyFailed,
                                  PageState::kUpdated}) {
        ASSERT_TRUE(stack.Push());
        Hold(stack, state, 0xABCD0123, 0x4567CDEF, state == PageState::kNoPage ? 0 : 4);
        output.Clear();
        EXPECT_TRUE(stack.Pop());
        EXPECT_EQ(output.Text(),
                  state == PageState::kUpdated
                      ? "MIP0104W: The current page (0xABCD0123:4567CDEF) has been updated and will not be written.\n"
                      : "")
            << static_cast<int>(state);
        EXPECT_EQ(stack.TopIndex(), 0u);
        EXPECT_EQ(stack.Current().offset_low, 0x10u);
        EXPECT_EQ(memory.LiveBuffers(), 1u);
    }
}

TEST(PageStack, GrowingKeepsThePageHeldAndCopiesNothingElse) {
    const struct {
        PageState state;
        std::uint32_t loaded;
        std::uint32_t copied;
    } cases[] = {
        {PageState::kLoaded, 10, 10},
        {PageState::kUpdated, 16, 16},
        {PageState::kVerifyFailed, 1, 1},
        {PageState::kNoPage, 0, 0},
    };
    for (const auto& c : cases) {
        FakePageMemory memory;
        PageStack stack(memory);
        ASSERT_TRUE(stack.Start(16));
        Hold(stack, c.state, 0, 0, c.loaded);
        const std::uint8_t* old_buffer = stack.Current().buffer;
        ASSERT_TRUE(stack.Grow(40));
        const PageSlot& slot = stack.Current();
        EXPECT_NE(slot.buffer, old_buffer);
        EXPECT_EQ(slot.capacity, 40u);
        EXPECT_EQ(slot.page_size, 16u) << "growing is not resizing: the caller sets the page size";
        EXPECT_EQ(slot.state, c.state);
        for (std::uint32_t i = 0; i < 40; ++i) {
            const std::uint8_t expected = i < c.copied ? static_cast<std::uint8_t>(i + 1) : FakePageMemory::kFreshByte;
            ASSERT_EQ(slot.buffer[i], expected) << "byte " << i << " in state " << static_cast<int>(c.state);
        }
        EXPECT_EQ(memory.LiveBuffers(), 1u);
    }
}

TEST(PageStack, GrowingWithoutMemoryChangesNothing) {
    FakePageMemory memory;
    PageStack stack(memory);
    ASSERT_TRUE(stack.Start(16));
    Hold(stack, PageState::kUpdated, 0, 0, 16);
    const std::uint8_t* old_buffer = stack.Current().buffer;
    memory.largest_buffer = 16;
    EXPECT_FALSE(stack.Grow(17));
    EXPECT_EQ(stack.Current().buffer, old_buffer);
    EXPECT_EQ(stack.Current().capacity, 16u);
    EXPECT_EQ(stack.Current().buffer[15], 16);
}

TEST(PageStack, EveryBufferIsGivenBack) {
    // The fake memory checks at its end that nothing is still held; the
    // stack goes first.
    FakePageMemory memory;
    {
        PageStack stack(memory);
        ASSERT_TRUE(stack.Start(8));
        Hold(stack, PageState::kLoaded, 0, 0, 8);
        ASSERT_TRUE(stack.Push());
        ASSERT_TRUE(stack.Grow(100));
        Hold(stack, PageState::kLoaded, 0, 0, 8);
        ASSERT_TRUE(stack.Push());
        EXPECT_EQ(memory.LiveBuffers(), 3u);
    }
    EXPECT_EQ(memory.LiveBuffers(), 0u);
    PageStack ended(memory);
    ASSERT_TRUE(ended.Start(8));
    ended.ReleaseBase();
    EXPECT_EQ(ended.Current().buffer, nullptr);
    EXPECT_EQ(memory.LiveBuffers(), 0u);
}

}  // namespace
}  // namespace varnex
