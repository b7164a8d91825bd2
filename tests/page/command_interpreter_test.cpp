// The interpreter driven in-process over a file system in memory, for the
// cases a real file cannot produce on demand.

#include "page/command_interpreter.h"

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

std::string RunStream(FakeFileSystem& files, const std::string& stream, std::uint32_t page_size = 16) {
    StringByteSource commands(stream);
    CapturedOutput output;
    OpenAndRun("t", page_size, files, commands);
    return output.Text();
}

TEST(Interpreter, AFailedWriteKeepsThePageUpdatedAndTriesAgain) {
    FakeFileSystem files;
    files.contents.assign(32, 0x41);
    files.write_faults = {Fault{Fault::kShort, 0, 5}, Fault{Fault::kError, ENOSPC, 0}};
    const std::string log = RunStream(files, "PAGE 16\nREP 0 42\nWRITE\nWRITE\nREP 1 43\n");
    EXPECT_EQ(log,
              "PAGE 16\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000010.\n\n"
              "REP 0 42\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "WRITE\nMIP0115E: Write failed (5 bytes written).\n"
              "Platform API Error: 0x001C - No space left on device.\n"
              "WRITE\nMIP0117I: Write completed (16 bytes written) at offset 0x00000000:00000010.\n\n"
              "REP 1 43\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "MIP0104W: The current page (0x00000000:00000010) has been updated and will not be written.\n"
              "MIP0105I: The end of the command stream has been reached.\n");
    EXPECT_EQ(files.contents[16], 0x42);
    EXPECT_EQ(files.contents[17], 0x41) << "the second patch was never written";
    EXPECT_TRUE(files.closed);
}

TEST(Interpreter, AFailedReadLeavesNoPageAndCountsThePage) {
    FakeFileSystem files;
    files.contents.assign(32, 0x41);
    files.read_faults = {Fault{Fault::kError, EIO, 0}};
    const std::string log = RunStream(files, "PAGE 0\nDUMP\nPAGE 0\nDUMP 0 1\n");
    EXPECT_EQ(log,
              "PAGE 0\nMIP0102E: An error was encountered while reading the file, 0 bytes returned.\n"
              "Platform API Error: 0x0005 - Input/output error.\n"
              "DUMP\nMIP0103E: The command could not be executed as no page is currently loaded.\n"
              "PAGE 0\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "DUMP 0 1\n"
              "+---- Start of Dump: Page# 2 - Offset: 0x00000000:00000000 -------------- 1 (0x0001) bytes @" +
                  log.substr(log.find('@') + 1, 16) +
                  " --------------\n"
                  "0000: 41 00 00 00 00 00 00 00   00 00 00 00 00 00 00 00  :A....... ........\n"
                  "+---- End of Dump: Page# 2 - Offset: 0x00000000:00000000 -------------- 1 (0x0001) bytes @" +
                  log.substr(log.find('@') + 1, 16) +
                  " --------------\n"
                  "MIP0105I: The end of the command stream has been reached.\n");
}

TEST(Interpreter, GrowingThePageKeepsTheBytesHeld) {
    FakeFileSystem files;
    files.contents.assign(100000, 0);
    files.contents[5] = 0x77;
    const std::string log = RunStream(files, "PAGE 0\nPAGESIZE 65536\nVER 5 77\nREP 6 66\nWRITE\n", 8);
    EXPECT_NE(log.find("MIP0112I: Verify operation succeeded (1 bytes compared)."), std::string::npos) << log;
    EXPECT_NE(log.find("MIP0117I: Write completed (8 bytes written)"), std::string::npos) << log;
    EXPECT_EQ(files.contents[6], 0x66);
}

TEST(Interpreter, TheStackHoldsTenSlots) {
    FakeFileSystem files;
    files.contents.assign(64, 0x10);
    std::string stream = "PAGE 0\n";
    for (int i = 0; i < 10; ++i) stream += "PUSH\nPAGE 0\n";
    const std::string log = RunStream(files, stream);
    const std::string refused =
        "PUSH\nMIP0120E: The push command could not be executed as there is no space left on the stack.\n";
    EXPECT_EQ(log.find(refused), log.rfind(refused)) << "only the tenth push is refused";
    EXPECT_NE(log.find(refused), std::string::npos);
}

}  // namespace
}  // namespace varnex
