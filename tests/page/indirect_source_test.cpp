// Where an indirect PAGE finds its stored offset: the current slot, or after
// a PUSH the slot directly below, bounded by the loaded length of that slot.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "command/word_kind.h"
#include "page/file_access.h"
#include "page/indirect_offset.h"
#include "page/page_stack.h"
#include "support/captured_output.h"
#include "support/fake_file_system.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using testing::FakeFileSystem;

constexpr auto kWI32 = static_cast<std::uint32_t>(WordKind::kWI32);
constexpr auto kWI64 = static_cast<std::uint32_t>(WordKind::kWI64);

// Gives the current slot a page of `loaded` bytes, every byte 0x11, in `state`.
void Hold(PageStack& stack, PageState state, std::uint32_t loaded) {
    PageSlot& slot = stack.Current();
    std::memset(slot.buffer, 0x11, slot.capacity);
    slot.loaded_length = loaded;
    slot.state = state;
}

struct Outcome {
    bool computed;
    std::uint32_t high;
    std::uint32_t low;
};

Outcome Compute(const PageStack& stack, std::uint32_t offset, std::uint32_t kind) {
    std::uint32_t value_b = offset;
    std::uint32_t value_a = kind;
    const bool computed = ComputeIndirectOffset(stack, value_b, value_a);
    return {computed, value_a, value_b};
}

TEST(IndirectSource, TheWordMustLieWithinTheLoadedBytes) {
    PageStack stack(SystemPageMemory());
    ASSERT_TRUE(stack.Start(4096));
    Hold(stack, PageState::kLoaded, 512);
    const struct {
        std::uint32_t offset;
        std::uint32_t kind;
        bool computed;
    } cases[] = {
        {508, kWI32, true},  {509, kWI32, false}, {504, kWI64, true},     {505, kWI64, false},
        {512, kWI32, false}, {4092, kWI32, false}, {0xFFFFFFFE, kWI32, false}, {0xFFFFFFFF, kWI64, false},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Compute(stack, c.offset, c.kind);
        EXPECT_EQ(outcome.computed, c.computed) << c.offset;
        if (c.computed) {
            EXPECT_EQ(outcome.low, 0x11111111u);
        } else {
            EXPECT_EQ(outcome.high, 0u) << "both values are 0 after a failure";
            EXPECT_EQ(outcome.low, 0u);
        }
    }
}

TEST(IndirectSource, EveryStateHoldingAPageIsASource) {
    for (const PageState state : {PageState::kLoaded, PageState::kVerifyFailed, PageState::kUpdated}) {
        PageStack stack(SystemPageMemory());
        ASSERT_TRUE(stack.Start(16));
        Hold(stack, state, 16);
        EXPECT_TRUE(Compute(stack, 0, kWI32).computed) << static_cast<int>(state);
    }
}

TEST(IndirectSource, AnEmptySlotLooksOneLevelDownAndNoFurther) {
    CapturedOutput quiet;
    PageStack stack(SystemPageMemory());
    ASSERT_TRUE(stack.Start(16));
    EXPECT_FALSE(Compute(stack, 0, kWI32).computed) << "the base slot holds no page";

    Hold(stack, PageState::kLoaded, 16);
    stack.Current().buffer[4] = 0x22;
    ASSERT_TRUE(stack.Push());
    const Outcome below = Compute(stack, 4, kWI32);
    EXPECT_TRUE(below.computed);
    EXPECT_EQ(below.low, 0x11111122u) << "read from the page below";

    ASSERT_TRUE(stack.Push());
    EXPECT_FALSE(Compute(stack, 4, kWI32).computed) << "two levels down is not looked at";
    stack.Pop();
    stack.Pop();
}

TEST(IndirectSource, TheBelowSlotIsBoundedByItsOwnLoadedLength) {
    PageStack stack(SystemPageMemory());
    ASSERT_TRUE(stack.Start(64));
    Hold(stack, PageState::kLoaded, 8);
    ASSERT_TRUE(stack.Push());
    Hold(stack, PageState::kNoPage, 64);
    EXPECT_TRUE(Compute(stack, 0, kWI64).computed);
    EXPECT_FALSE(Compute(stack, 1, kWI64).computed);
    stack.Pop();
}

// The interpreter loads the target into the top slot and leaves the page
// that held the offset as it was.
TEST(IndirectSource, AfterPushTheTargetLoadsIntoTheNewSlot) {
    FakeFileSystem files;
    files.contents.assign(0x1010, 0x00);
    files.contents[9] = 0x10;           // WI32 0x00001000 at offset 8
    files.contents[0x1000] = 0xAB;
    StringByteSource commands("PAGE 0\nREP 0 77\nPUSH\nPAGE @8 WI32\nVER 0 AB\nPOP\nVER 0 77\nPOP\n");
    CapturedOutput output;
    OpenAndRun("chain", 16, files, commands);
    EXPECT_EQ(output.Text(),
              "PAGE 0\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "REP 0 77\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "PUSH\n"
              "PAGE @8 WI32\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00001000.\n\n"
              "VER 0 AB\nMIP0112I: Verify operation succeeded (1 bytes compared).\n\n"
              "POP\n"
              "VER 0 77\nMIP0112I: Verify operation succeeded (1 bytes compared).\n\n"
              "POP\nMIP0119W: No page was available to be popped, the pop command has been ignored.\n"
              "MIP0104W: The current page (0x00000000:00000000) has been updated and will not be written.\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

// An Updated page supplies the offset as changed in memory, then is warned
// about before the target replaces it.
TEST(IndirectSource, AnUpdatedPageIsReadAsChangedThenAbandoned) {
    FakeFileSystem files;
    files.contents.assign(0x40, 0x00);
    files.contents[0x30] = 0xCD;
    StringByteSource commands("PAGE 0x10\nREP 4 30\nPAGE @4 WI16\nVER 0 CD\n");
    CapturedOutput output;
    OpenAndRun("chain", 16, files, commands);
    EXPECT_EQ(output.Text(),
              "PAGE 0x10\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000010.\n\n"
              "REP 4 30\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "PAGE @4 WI16\n"
              "MIP0104W: The current page (0x00000000:00000010) has been updated and will not be written.\n"
              "MIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000030.\n\n"
              "VER 0 CD\nMIP0112I: Verify operation succeeded (1 bytes compared).\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

}  // namespace
}  // namespace varnex
