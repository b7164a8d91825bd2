// Command streams through the interpreter whose exact log matters: dump
// titles and the page counter, page sizes per slot, the order of warnings at
// the end, and failures of the file in the middle of a stream.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "page/file_access.h"
#include "support/captured_output.h"
#include "support/fake_file_system.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using testing::FakeFileSystem;
using Fault = FakeFileSystem::Fault;

FakeFileSystem CountingFile(std::size_t size) {
    FakeFileSystem files;
    for (std::size_t i = 0; i < size; ++i) files.contents.push_back(static_cast<std::uint8_t>(i));
    return files;
}

std::string RunStream(FakeFileSystem& files, const std::string& stream, std::uint32_t page_size = 16) {
    StringByteSource commands(stream);
    CapturedOutput output;
    OpenAndRun("flow", page_size, files, commands);
    return output.Text();
}

// The start banner of every dump in `log`, cut before its byte count.
std::string DumpTitles(const std::string& log) {
    std::string titles;
    const std::string start = "+---- Start of Dump: ";
    for (std::size_t at = log.find(start); at != std::string::npos; at = log.find(start, at + 1)) {
        const std::size_t end = log.find(" --------------", at);
        titles += log.substr(at + start.size(), end - at - start.size()) + "|";
        const std::size_t count_end = log.find(" bytes", end);
        titles += log.substr(end + 16, count_end - end - 16) + "\n";
    }
    return titles;
}

TEST(InterpreterFlow, DumpTitlesShowThePageCounterNowAndTheOffsetInThePage) {
    FakeFileSystem files = CountingFile(64);
    files.read_faults = {Fault{Fault::kShort, 0, 64}, Fault{Fault::kError, EIO, 0}};
    // Reads: 1 page 0, 2 fails, 3 page 0x20 in a pushed slot, 4 past the end.
    const std::string log = RunStream(
        files, "PAGE 0\nDUMP\nPUSH\nPAGE 0x10\nPAGE 0x20\nDUMP 16\nDUMP 3 100\nPOP\nBITDUMP 15\nPAGE 64\nDUMP\n", 32);
    EXPECT_EQ(DumpTitles(log),
              "Page# 1 - Offset: 0x00000000:00000000|32 (0x0020)\n"
              "Page# 3 - Offset: 0x00000000:00000020 (+16)|16 (0x0010)\n"
              "Page# 3 - Offset: 0x00000000:00000020 (+3)|29 (0x001d)\n"
              "Page# 3 - Offset: 0x00000000:00000000 (+15)|17 (0x0011)\n")
        << log;
    EXPECT_NE(log.find("PAGE 64\nMIP0110I: Page command completed 0 bytes loaded from offset 0x00000000:00000040.\n\n"
                       "DUMP\nMIP0103E: The command could not be executed as no page is currently loaded.\n"),
              std::string::npos)
        << log;
}

TEST(InterpreterFlow, EachSlotKeepsItsOwnPageSize) {
    FakeFileSystem files = CountingFile(64);
    const std::string log =
        RunStream(files, "PAGESIZE 16\nPAGE 0\nPAGESIZE 8\nPUSH\nPAGE 0\nPAGESIZE 4\nPAGE 0\nPOP\nPAGE 0\n");
    EXPECT_EQ(log,
              "PAGESIZE 16\nMIP0121I: The current page size has changed from 16 to 16.\n"
              "PAGE 0\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "PAGESIZE 8\nMIP0121I: The current page size has changed from 16 to 8.\n"
              "PUSH\n"
              "PAGE 0\nMIP0110I: Page command completed 8 bytes loaded from offset 0x00000000:00000000.\n\n"
              "PAGESIZE 4\nMIP0121I: The current page size has changed from 8 to 4.\n"
              "PAGE 0\nMIP0110I: Page command completed 4 bytes loaded from offset 0x00000000:00000000.\n\n"
              "POP\n"
              "PAGE 0\nMIP0110I: Page command completed 8 bytes loaded from offset 0x00000000:00000000.\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

TEST(InterpreterFlow, ACutUpdatedPageWritesTheCutLength) {
    FakeFileSystem files = CountingFile(64);
    const std::string log = RunStream(files, "PAGE 0x20\nREP 1 EE\nPAGESIZE 0x100\nPAGESIZE 2\nDUMP 2\nWRITE\n", 16);
    EXPECT_EQ(log,
              "PAGE 0x20\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000020.\n\n"
              "REP 1 EE\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "PAGESIZE 0x100\n"
              "PAGESIZE 2\nMIP0121I: The current page size has changed from 16 to 2.\n"
              "DUMP 2\nMIP0126E: The offset specified is beyond the end of the loaded page.\n"
              "WRITE\nMIP0117I: Write completed (2 bytes written) at offset 0x00000000:00000020.\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
    EXPECT_EQ(files.contents[0x21], 0xEE);
    EXPECT_EQ(files.contents[0x22], 0x22) << "nothing past the cut is written";
}

TEST(InterpreterFlow, TheEndWarnsFromTheTopOfTheStackDown) {
    FakeFileSystem files = CountingFile(64);
    const std::string log =
        RunStream(files, "PAGE 0\nREP 0 00\nPUSH\nPAGE 0x10\nPUSH\nPAGE 0x20\nREP 0 00\nPUSH\n/*\nPAGE 0\n");
    const std::string tail =
        "PUSH\n/*\n"
        "MIP0104W: The current page (0x00000000:00000020) has been updated and will not be written.\n"
        "MIP0104W: The current page (0x00000000:00000000) has been updated and will not be written.\n"
        "MIP0105I: The end of the command stream has been reached.\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
}

TEST(InterpreterFlow, AFailedReadOfAnUpdatedSlotWarnsFirstAndLeavesNoPage) {
    FakeFileSystem files = CountingFile(64);
    files.read_faults = {Fault{Fault::kShort, 0, 100}, Fault{Fault::kError, EIO, 0}};
    const std::string log = RunStream(files, "PAGE 0\nREP 0 AA\nPAGE 0x10\nWRITE\n");
    EXPECT_EQ(log,
              "PAGE 0\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "REP 0 AA\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "PAGE 0x10\n"
              "MIP0104W: The current page (0x00000000:00000000) has been updated and will not be written.\n"
              "MIP0102E: An error was encountered while reading the file, 0 bytes returned.\n"
              "Platform API Error: 0x0005 - Input/output error.\n"
              "WRITE\nMIP0103E: The command could not be executed as no page is currently loaded.\n"
              "MIP0105I: The end of the command stream has been reached.\n");
    EXPECT_EQ(files.contents[0], 0x00);
}

TEST(InterpreterFlow, APositioningFailureOnWriteKeepsThePageForAnotherTry) {
    FakeFileSystem files = CountingFile(64);
    files.seek_errors = {0, EINVAL};  // the read positions, the first write does not
    const std::string log = RunStream(files, "PAGE 0x10\nREP 0 AA\nWRITE\nWRITE\n");
    EXPECT_EQ(log,
              "PAGE 0x10\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000010.\n\n"
              "REP 0 AA\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "WRITE\nMIP0101E: Unable to position the file to the requested offset 0x00000000:00000010.\n"
              "Platform API Error: 0x0016 - Invalid argument.\n"
              "WRITE\nMIP0117I: Write completed (16 bytes written) at offset 0x00000000:00000010.\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
    EXPECT_EQ(files.contents[0x10], 0xAA);
}

TEST(InterpreterFlow, AnIndirectPageWithoutASourceLoadsTheStartOfTheFile) {
    FakeFileSystem files = CountingFile(64);
    EXPECT_EQ(RunStream(files, "PAGE @0\n"),
              "PAGE @0\n"
              "MIP0123E: The indirect page command was unable to compute the target offset for the target page.\n"
              "MIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

TEST(InterpreterFlow, RefusalsChangeNothing) {
    FakeFileSystem files = CountingFile(64);
    const std::string log = RunStream(files, "PAGE 0\nVER 0 FF\nREP 0 AA\nWRITE\nVER 0 00\nWRITE\nPOP\n");
    const std::string expected_tail =
        "REP 0 AA\nMIP0107W: This patch cannot be applied because a previous verify has failed.\n"
        "WRITE\nMIP0108W: This page will not be written because a patch verification has failed.\n"
        "VER 0 00\nMIP0112I: Verify operation succeeded (1 bytes compared).\n\n"
        "WRITE\nMIP0108W: This page will not be written because a patch verification has failed.\n"
        "POP\nMIP0119W: No page was available to be popped, the pop command has been ignored.\n"
        "MIP0105I: The end of the command stream has been reached.\n";
    ASSERT_GE(log.size(), expected_tail.size());
    EXPECT_EQ(log.substr(log.size() - expected_tail.size()), expected_tail) << log;
    EXPECT_EQ(files.write_calls, 0u);
}

}  // namespace
}  // namespace varnex
