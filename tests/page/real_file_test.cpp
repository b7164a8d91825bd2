// Whole command streams run in-process against real files: offsets above
// 4 GiB on a sparse file, the end of a file, a device that refuses writes,
// and files that cannot be opened.

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "command/byte_source.h"
#include "page/file_access.h"
#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

using testing::ScratchFolder;

std::string RunOnFile(const std::string& file, const std::string& stream, std::uint32_t page_size) {
    StringByteSource commands(stream);
    CapturedOutput output;
    OpenAndRun(file.c_str(), page_size, SystemFileSystem(), commands);
    return output.Text();
}

// Creates a file of `size` bytes, holes everywhere but at `offset`, where
// `bytes` are written.
bool MakeSparseFile(const std::string& path, std::uint64_t size, std::uint64_t offset, const std::string& bytes) {
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0) return false;
    bool made = ::ftruncate(descriptor, static_cast<off_t>(size)) == 0 &&
                ::pwrite(descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                    static_cast<ssize_t>(bytes.size());
    return ::close(descriptor) == 0 && made;
}

std::vector<std::uint8_t> ReadAt(const std::string& path, std::uint64_t offset, std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t got = descriptor < 0 ? -1 : ::pread(descriptor, bytes.data(), count, static_cast<off_t>(offset));
    if (descriptor >= 0) ::close(descriptor);
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
}

std::uint64_t SizeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

TEST(RealFile, APageAboveFourGiBOfASparseFileIsPatchedInPlace) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string file = folder.Path("sparse.img");
    const std::uint64_t size = 6 * kGiB;
    const std::uint64_t page = 0x100000100ull;
    if (!MakeSparseFile(file, size, page, "MARK")) GTEST_SKIP() << "no sparse files of 6 GiB here";
    const std::vector<std::uint8_t> before = ReadAt(file, page - 4096, 3 * 4096);

    const std::string log = RunOnFile(file, "PAGE 0x1:0x100\nVER 0 6d61726b\nREP 2 5A5A\nWRITE\n", 4096);

    EXPECT_EQ(log,
              "PAGE 0x1:0x100\n"
              "MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000001:00000100.\n\n"
              "VER 0 6d61726b\nMIP0112I: Verify operation succeeded (4 bytes compared).\n\n"
              "REP 2 5A5A\nMIP0116I: Replace operation succeeded (2 bytes updated).\n\n"
              "WRITE\nMIP0117I: Write completed (4096 bytes written) at offset 0x00000001:00000100.\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
    EXPECT_EQ(SizeOf(file), size);
    std::vector<std::uint8_t> expected = before;
    expected[4096 + 2] = 'Z';
    expected[4096 + 3] = 'Z';
    EXPECT_EQ(ReadAt(file, page - 4096, 3 * 4096), expected) << "exactly the patched bytes change";
}

TEST(RealFile, TheEndOfTheFileAndAPartialLastPage) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string file = folder.Path("short.bin");
    std::string bytes(1000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i);
    ASSERT_TRUE(MakeSparseFile(file, bytes.size(), 0, bytes));

    const std::string log = RunOnFile(
        file, "PAGE 1000\nPAGE 5000\nPAGE 512\nREP 487 EE\nREP 488 EE\nPAGE 512\nREP 487 EE\nWRITE\n", 4096);

    EXPECT_EQ(log,
              "PAGE 1000\nMIP0110I: Page command completed 0 bytes loaded from offset 0x00000000:000003E8.\n\n"
              "PAGE 5000\nMIP0110I: Page command completed 0 bytes loaded from offset 0x00000000:00001388.\n\n"
              "PAGE 512\nMIP0110I: Page command completed 488 bytes loaded from offset 0x00000000:00000200.\n\n"
              "REP 487 EE\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "REP 488 EE\n"
              "MIP0114E: The replace operation failed because the patch overlapped the end of the page.\n\n"
              "PAGE 512\nMIP0110I: Page command completed 488 bytes loaded from offset 0x00000000:00000200.\n\n"
              "REP 487 EE\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "WRITE\nMIP0117I: Write completed (488 bytes written) at offset 0x00000000:00000200.\n\n"
              "MIP0105I: The end of the command stream has been reached.\n");
    EXPECT_EQ(SizeOf(file), 1000u) << "the write stops at the bytes that were read";
    bytes[999] = static_cast<char>(0xEE);
    const std::vector<std::uint8_t> after = ReadAt(file, 0, 1000);
    EXPECT_EQ(std::string(after.begin(), after.end()), bytes);
}

TEST(RealFile, AnOffsetThatCannotBePositionedTo) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string file = folder.Path("f");
    ASSERT_TRUE(MakeSparseFile(file, 16, 0, "x"));
    EXPECT_EQ(RunOnFile(file, "PAGE 0x80000000:0\n", 16),
              "PAGE 0x80000000:0\n"
              "MIP0101E: Unable to position the file to the requested offset 0x80000000:00000000.\n"
              "Platform API Error: 0x0016 - Invalid argument.\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

TEST(RealFile, AFullDeviceRefusesTheWriteAndThePageStaysUpdated) {
    if (::access("/dev/full", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
    EXPECT_EQ(RunOnFile("/dev/full", "PAGE 0\nREP 0 01\nWRITE\n", 16),
              "PAGE 0\nMIP0110I: Page command completed 16 bytes loaded from offset 0x00000000:00000000.\n\n"
              "REP 0 01\nMIP0116I: Replace operation succeeded (1 bytes updated).\n\n"
              "WRITE\nMIP0115E: Write failed (0 bytes written).\n"
              "Platform API Error: 0x001C - No space left on device.\n"
              "MIP0104W: The current page (0x00000000:00000000) has been updated and will not be written.\n"
              "MIP0105I: The end of the command stream has been reached.\n");
}

TEST(RealFile, FilesThatCannotBeOpenedStopTheRunBeforeTheStream) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string missing = folder.Path("missing.bin");
    EXPECT_EQ(RunOnFile(missing, "PAGE 0\n", 4096),
              "MIP0100E: Unable to open the requested file '" + missing +
                  "'.\nPlatform API Error: 0x0002 - No such file or directory.\n");
    EXPECT_EQ(RunOnFile(folder.Path(""), "PAGE 0\n", 4096),
              "MIP0100E: Unable to open the requested file '" + folder.Path("") +
                  "'.\nPlatform API Error: 0x0015 - Is a directory.\n");
}

TEST(RealFile, AFileThatMayNotBeWrittenIsNotOpened) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write any file";
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string file = folder.Path("read-only");
    ASSERT_TRUE(MakeSparseFile(file, 16, 0, "x"));
    ASSERT_EQ(::chmod(file.c_str(), 0400), 0);
    EXPECT_EQ(RunOnFile(file, "PAGE 0\n", 16),
              "MIP0100E: Unable to open the requested file '" + file +
                  "'.\nPlatform API Error: 0x000D - Permission denied.\n");
}

}  // namespace
}  // namespace varnex
