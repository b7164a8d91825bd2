// File access through a file system whose calls fail, move part of what was
// asked, or are interrupted.

#include "page/file_access.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "support/captured_output.h"
#include "support/fake_file_system.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using testing::FakeFileSystem;
using Fault = FakeFileSystem::Fault;

std::vector<std::uint8_t> Counting(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

TEST(PageRead, ShortTransfersAndInterruptionsMakeOneLogicalRead) {
    FakeFileSystem files;
    files.contents = Counting(5000);
    files.read_faults = {Fault{Fault::kShort, 0, 100}, Fault{Fault::kError, EINTR, 0}, Fault{Fault::kShort, 0, 1}};
    std::vector<std::uint8_t> buffer(4096);
    CapturedOutput output;
    EXPECT_EQ(PageRead(files, 3, 0, 0x10, buffer.data(), 4096), 4096u);
    EXPECT_EQ(output.Text(), "MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000000:00000010.\n\n");
    EXPECT_EQ(buffer[0], 0x10);
    EXPECT_EQ(buffer[4095], static_cast<std::uint8_t>(4095 + 0x10));
    EXPECT_EQ(files.read_calls, 4u);
}

TEST(PageRead, EndOfFileIsASuccessWithFewerBytes) {
    FakeFileSystem files;
    files.contents = Counting(1000);
    std::vector<std::uint8_t> buffer(4096);
    CapturedOutput output;
    EXPECT_EQ(PageRead(files, 3, 0, 900, buffer.data(), 4096), 100u);
    EXPECT_EQ(PageRead(files, 3, 0, 1000, buffer.data(), 4096), 0u);
    EXPECT_EQ(PageRead(files, 3, 1, 0, buffer.data(), 4096), 0u);
    EXPECT_EQ(output.Text(),
              "MIP0110I: Page command completed 100 bytes loaded from offset 0x00000000:00000384.\n\n"
              "MIP0110I: Page command completed 0 bytes loaded from offset 0x00000000:000003E8.\n\n"
              "MIP0110I: Page command completed 0 bytes loaded from offset 0x00000001:00000000.\n\n");
}

TEST(PageRead, AnErrorPartWayReportsTheBytesReadSoFar) {
    FakeFileSystem files;
    files.contents = Counting(8192);
    files.read_faults = {Fault{Fault::kShort, 0, 300}, Fault{Fault::kError, EIO, 0}};
    std::vector<std::uint8_t> buffer(4096);
    CapturedOutput output;
    EXPECT_EQ(PageRead(files, 3, 0, 0, buffer.data(), 4096), 0u);
    EXPECT_EQ(output.Text(),
              "MIP0102E: An error was encountered while reading the file, 300 bytes returned.\n"
              "Platform API Error: 0x0005 - Input/output error.\n");
}

// A call that fails after moving bytes reports them (ReadFile and WriteFile
// do); the log prints that count, not 0. The system's texts differ by
// platform, so only their codes are compared.
TEST(PageReadAndWrite, ACallThatFailsAfterMovingBytesReportsThem) {
    FakeFileSystem files;
    files.contents = Counting(8192);
    files.read_faults = {Fault{Fault::kMovedThenError, 5, 300}};
    files.write_faults = {Fault{Fault::kMovedThenError, 28, 24}};
    std::vector<std::uint8_t> buffer(4096);
    CapturedOutput read_output;
    EXPECT_EQ(PageRead(files, 3, 0, 0, buffer.data(), 4096), 0u);
    EXPECT_EQ(read_output.Text().rfind("MIP0102E: An error was encountered while reading the file, 300 bytes returned.\n"
                                       "Platform API Error: 0x0005 - ", 0), 0u) << read_output.Text();
    CapturedOutput write_output;
    EXPECT_FALSE(PageWrite(files, 3, 0, 0, buffer.data(), 4096));
    EXPECT_EQ(write_output.Text().rfind("MIP0115E: Write failed (24 bytes written).\n"
                                        "Platform API Error: 0x001C - ", 0), 0u) << write_output.Text();
}

TEST(PageReadAndWrite, PositioningFailureMovesNothing) {
    FakeFileSystem files;
    files.contents = Counting(10);
    files.seek_error = EINVAL;
    std::vector<std::uint8_t> buffer(16);
    CapturedOutput output;
    EXPECT_EQ(PageRead(files, 3, 0x80000000, 5, buffer.data(), 16), 0u);
    EXPECT_FALSE(PageWrite(files, 3, 0xFFFFFFFF, 0xFFFFFFFF, buffer.data(), 16));
    EXPECT_EQ(files.read_calls + files.write_calls, 0u);
    EXPECT_EQ(output.Text(),
              "MIP0101E: Unable to position the file to the requested offset 0x80000000:00000005.\n"
              "Platform API Error: 0x0016 - Invalid argument.\n"
              "MIP0101E: Unable to position the file to the requested offset 0xFFFFFFFF:FFFFFFFF.\n"
              "Platform API Error: 0x0016 - Invalid argument.\n");
}

TEST(PageWrite, ShortTransfersAndInterruptionsMakeOneLogicalWrite) {
    FakeFileSystem files;
    files.contents.assign(64, 0);
    files.write_faults = {Fault{Fault::kShort, 0, 7}, Fault{Fault::kError, EINTR, 0}, Fault{Fault::kShort, 0, 1}};
    const auto page = Counting(32);
    CapturedOutput output;
    EXPECT_TRUE(PageWrite(files, 3, 0, 16, page.data(), 32));
    EXPECT_EQ(output.Text(), "MIP0117I: Write completed (32 bytes written) at offset 0x00000000:00000010.\n\n");
    EXPECT_TRUE(std::equal(page.begin(), page.end(), files.contents.begin() + 16));
    EXPECT_EQ(files.contents.size(), 64u);
}

TEST(PageWrite, FailuresPartWayReportTheBytesWritten) {
    const auto page = Counting(4096);
    struct Case {
        Fault second_call;
        std::string log;
    } cases[] = {
        {Fault{Fault::kError, ENOSPC, 0},
         "MIP0115E: Write failed (1000 bytes written).\nPlatform API Error: 0x001C - No space left on device.\n"},
        {Fault{Fault::kZero, 0, 0}, "MIP0115E: Write failed (1000 bytes written).\n"},
    };
    for (const Case& c : cases) {
        FakeFileSystem files;
        files.write_faults = {Fault{Fault::kShort, 0, 1000}, c.second_call};
        CapturedOutput output;
        EXPECT_FALSE(PageWrite(files, 3, 0, 0, page.data(), 4096));
        EXPECT_EQ(output.Text(), c.log);
    }
}

// A failed read shows the code of its own failing call, whatever failed
// before it: a code kept from an earlier failure would name the wrong cause.
TEST(PageRead, AFailedReadReportsItsOwnCode) {
    struct Case {
        const char* earlier;
        FakeFileSystem files;
    } cases[3];
    cases[0].earlier = "positioning";
    cases[0].files.seek_errors = {EINVAL, 0};
    cases[1].earlier = "read";
    cases[1].files.read_faults = {Fault{Fault::kError, ENOSPC, 0}};
    cases[2].earlier = "write";
    cases[2].files.write_faults = {Fault{Fault::kError, EACCES, 0}};
    for (Case& c : cases) {
        std::vector<std::uint8_t> buffer(16);
        FakeFileSystem& files = c.files;
        files.contents = Counting(64);
        PageRead(files, 3, 0, 0, buffer.data(), 16);
        PageWrite(files, 3, 0, 0, buffer.data(), 16);
        files.read_faults.push_back(Fault{Fault::kError, EIO, 0});
        CapturedOutput output;
        EXPECT_EQ(PageRead(files, 3, 0, 0, buffer.data(), 16), 0u);
        EXPECT_EQ(output.Text().rfind("MIP0102E: An error was encountered while reading the file, 0 bytes returned.\n"
                                      "Platform API Error: 0x0005 - ", 0), 0u)
            << "after a failed " << c.earlier << ":\n" << output.Text();
    }
}

TEST(SystemErrorLine, CodesShowAtLeastFourDigits) {
    CapturedOutput output;
    WriteSystemErrorLine(ENOENT);
    WriteSystemErrorLine(0x12345);
    EXPECT_EQ(output.Text().substr(0, 64), "Platform API Error: 0x0002 - No such file or directory.\nPlatform");
    EXPECT_EQ(output.Text().substr(56, 30), "Platform API Error: 0x12345 - ");
}

TEST(OpenAndRun, AFileThatCannotBeOpenedStopsBeforeTheStream) {
    FakeFileSystem files;
    files.open_error = ENOENT;
    StringByteSource commands("PAGE 0\n");
    CapturedOutput output;
    OpenAndRun("missing.bin", 4096, files, commands);
    EXPECT_EQ(output.Text(),
              "MIP0100E: Unable to open the requested file 'missing.bin'.\n"
              "Platform API Error: 0x0002 - No such file or directory.\n");
    EXPECT_EQ(commands.Next(), 'P') << "the stream must not be read";
    EXPECT_FALSE(files.closed);
}

}  // namespace
}  // namespace varnex
