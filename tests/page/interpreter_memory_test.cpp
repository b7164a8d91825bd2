// The interpreter when page memory runs short: no buffer for the base slot,
// a PAGESIZE that cannot grow, a PUSH without memory; and what each command
// asks of memory when it does not.

#include "page/command_interpreter.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_page_memory.h"
#include "support/captured_output.h"
#include "support/fake_file_system.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using testing::FakeFileSystem;
using testing::FakePageMemory;

struct RunResult {
    std::string log;
    std::string unread;  // what the interpreter left of the stream
};

RunResult RunWith(FakePageMemory& memory, FakeFileSystem& files, const std::string& stream, std::uint32_t page_size) {
    StringByteSource source(stream);
    CommandReader reader(source);
    CapturedOutput output;
    RunInterpreter(files, 3, page_size, reader, memory);
    RunResult run{output.Text(), ""};
    for (int byte = source.Next(); byte != ByteSource::kEnd; byte = source.Next()) {
        run.unread += static_cast<char>(byte);
    }
    return run;
}

FakeFileSystem CountingFile(std::size_t size) {
    FakeFileSystem files;
    for (std::size_t i = 0; i < size; ++i) files.contents.push_back(static_cast<std::uint8_t>(i));
    return files;
}

TEST(InterpreterMemory, NoBufferForTheBaseSlotEndsTheRunBeforeTheStream) {
    FakePageMemory memory;
    memory.allocations_left = 0;
    FakeFileSystem files = CountingFile(64);
    const RunResult run = RunWith(memory, files, "PAGE 0\nREP 0 FF\nWRITE\n", 0x40000000);
    EXPECT_EQ(run.log, "MIP0118E: Unable to allocate a page buffer of 1073741824 bytes.\n");
    EXPECT_EQ(run.unread, "PAGE 0\nREP 0 FF\nWRITE\n");
    EXPECT_EQ(files.read_calls + files.write_calls, 0u);
}

TEST(InterpreterMemory, APageSizeThatCannotGrowIsRefusedWhole) {
    FakePageMemory memory;
    memory.largest_buffer = 16;
    FakeFileSystem files = CountingFile(64);
    // An Updated page of 16 bytes; the refused PAGESIZE leaves its loaded
    // length, page size and state: WRITE writes 16 bytes, the next PAGE reads
    // 16, and a later PAGESIZE reports the change from 16.
    const RunResult run = RunWith(memory, files,
                            "PAGE 0\nREP 0 FF\nPAGESIZE 17\nWRITE\nPAGE 32\nPAGESIZE 0x80000000\nPAGESIZE 8\n", 16);
    EXPECT_EQ(run.log,
              "PAGE 0\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "REP 0 FF\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "PAGESIZE 17\nMIP0118E: Unable to allocate a page buffer of 17 bytes.\n"
              "WRITE\nMIP0117I: Write completed (16 bytes written) at offset 0x00000000:00000000.\n\n"
              "PAGE 32\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000020.\n\n"
              "PAGESIZE 0x80000000\nMIP0118E: Unable to allocate a page buffer of 2147483648 bytes.\n"
              "PAGESIZE 8\nMIP0121I: The current page size has changed from 16 to 8.\n"
              "MIP0105I: The end of the command stream has been reached.\n");
    EXPECT_EQ(files.contents[0], 0xFF);
    EXPECT_EQ(files.contents[16], 16) << "the refused page size must not lengthen the write";
}

TEST(InterpreterMemory, APageSizeThatCannotGrowIsRefusedWithoutAPageToo) {
    FakePageMemory memory;
    memory.largest_buffer = 16;
    FakeFileSystem files = CountingFile(64);
    const RunResult run = RunWith(memory, files, "PAGESIZE 32\nPAGESIZE 16\nPAGE 0\n", 16);
    EXPECT_EQ(run.log,
              "PAGESIZE 32\nMIP0118E: Unable to allocate a page buffer of 32 bytes.\n"
              "PAGESIZE 16\nMIP0121I: The current page size has changed from 16 to 16.\n"
              "PAGE 0\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

TEST(InterpreterMemory, APushWithoutMemoryLeavesTheStackAsItWas) {
    FakePageMemory memory;
    memory.allocations_left = 1;
    FakeFileSystem files = CountingFile(64);
    const RunResult run = RunWith(memory, files, "PAGE 16\nREP 0 AA\nPUSH\nVER 0 AA\nPOP\n", 16);
    EXPECT_EQ(run.log,
              "PAGE 16\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000010.\n\n"
              "REP 0 AA\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "PUSH\nMIP0120E: The push command could not be executed as there is no space left on the stack.\n"
              "VER 0 AA\nMIP0112I: Verify operation succeeded (1 bytes compared).\n\n"
              "POP\nMIP0119W: No page was available to be popped, the pop command has been ignored.\n"
              "MIP0104W: The current page (0x00000000:00000010) has been updated and will not be written.\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

TEST(InterpreterMemory, OnlyPushAndGrowthTakeMemoryAndAllOfItIsGivenBack) {
    FakePageMemory memory;
    FakeFileSystem files = CountingFile(256);
    // Start: 16. PAGESIZE 100 grows; PAGESIZE 50 and PAGESIZE 100 again do
    // not. PUSH takes the capacity (100), not the page size (50). PAGE,
    // VER, REP, WRITE, SEARCH, DUMP and POP take nothing.
    RunWith(memory, files,
            "PAGESIZE 100\nPAGESIZE 50\nPAGE 0\nPUSH\nPAGESIZE 100\nPAGE 8\nVER 0 08\nREP 0 01\nWRITE\n"
            "SEARCH 0 09\nDUMP 0 1\nBITDUMP 0 1\nPUSH\nPOP\nPOP\nPAGE 0\n",
            16);
    EXPECT_EQ(memory.asked, (std::vector<std::uint32_t>{16, 100, 100, 100}));
    EXPECT_EQ(memory.LiveBuffers(), 0u);
}

TEST(InterpreterMemory, ABufferGrownUnderAPageKeepsItsBytes) {
    FakePageMemory memory;
    FakeFileSystem files = CountingFile(4096);
    const RunResult run = RunWith(memory, files, "PAGE 0x100\nREP 7 EE\nPAGESIZE 2000\nVER 0 00010203040506EE\nWRITE\n", 8);
    EXPECT_NE(run.log.find("MIP0112I: Verify operation succeeded (8 bytes compared)."), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("MIP0117I: Write completed (8 bytes written) at offset 0x00000000:00000100."),
              std::string::npos)
        << run.log;
    EXPECT_EQ(files.contents[0x107], 0xEE);
    EXPECT_EQ(files.contents[0x108], 0x08);
}

}  // namespace
}  // namespace varnex
