// The real file services on real files: what open, seek, read and write do
// at the edges the page engine relies on, and the system's error texts.

#include "platform/file_system.h"

#include <gtest/gtest.h>

#include "support/scratch_folder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/system_error_text.h"

namespace varnex {
namespace {

using testing::ScratchFolder;

void MakeFile(const std::string& path, const std::string& bytes) {
    const FileHandle descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(::write(descriptor, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(descriptor);
}

TEST(SystemFileSystem, OpenNeitherCreatesNorTruncates) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    FileSystem& files = SystemFileSystem();
    ErrorCode error = 0;
    EXPECT_EQ(files.Open(folder.Path("missing").c_str(), error), kNoFile);
    EXPECT_EQ(error, ENOENT);
    EXPECT_NE(::access(folder.Path("missing").c_str(), F_OK), 0) << "must not be created";

    MakeFile(folder.Path("kept"), "0123456789");
    const FileHandle descriptor = files.Open(folder.Path("kept").c_str(), error);
    ASSERT_GE(descriptor, 0);
    files.Close(descriptor);
    struct stat status {};
    ASSERT_EQ(::stat(folder.Path("kept").c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 10) << "must not be truncated";
}

TEST(SystemFileSystem, ADirectoryCannotBeOpenedForWriting) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    ErrorCode error = 0;
    EXPECT_EQ(SystemFileSystem().Open(folder.Path("").c_str(), error), kNoFile);
    EXPECT_EQ(error, EISDIR);
}

TEST(SystemFileSystem, TheDescriptorIsNotInheritedByPrograms) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    MakeFile(folder.Path("f"), "x");
    ErrorCode error = 0;
    const FileHandle descriptor = SystemFileSystem().Open(folder.Path("f").c_str(), error);
    ASSERT_GE(descriptor, 0);
    EXPECT_NE(::fcntl(static_cast<int>(descriptor), F_GETFD) & FD_CLOEXEC, 0);
    SystemFileSystem().Close(descriptor);
}

TEST(SystemFileSystem, SeekTakesSixtyThreeBitOffsetsAndRefusesMore) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    MakeFile(folder.Path("f"), "abc");
    FileSystem& files = SystemFileSystem();
    ErrorCode error = 0;
    const FileHandle descriptor = files.Open(folder.Path("f").c_str(), error);
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(files.Seek(descriptor, 0x100000000ull, error), 0);
    char byte = 0;
    const CallResult past_the_end = files.Read(descriptor, &byte, 1, error);
    EXPECT_FALSE(past_the_end.failed);
    EXPECT_EQ(past_the_end.moved, 0u) << "past the end reads nothing";
    error = 0;
    EXPECT_EQ(files.Seek(descriptor, 0x8000000000000000ull, error), -1);
    EXPECT_EQ(error, EINVAL);
    error = 0;
    EXPECT_EQ(files.Seek(descriptor, 0xFFFFFFFFFFFFFFFFull, error), -1);
    EXPECT_EQ(error, EINVAL);
    EXPECT_EQ(files.Seek(descriptor, 1, error), 0);
    char bytes[8] = {};
    EXPECT_EQ(files.Read(descriptor, bytes, sizeof bytes, error).moved, 2u);
    EXPECT_EQ(std::string(bytes, 2), "bc");
    files.Close(descriptor);
}

TEST(SystemFileSystem, AWriteToAFullDeviceFailsWithNoSpace) {
    FileSystem& files = SystemFileSystem();
    ErrorCode error = 0;
    const FileHandle descriptor = files.Open("/dev/full", error);
    if (descriptor < 0) GTEST_SKIP() << "no /dev/full here";
    EXPECT_EQ(files.Seek(descriptor, 0, error), 0);
    const char page[16] = {};
    EXPECT_TRUE(files.Write(descriptor, page, sizeof page, error).failed);
    EXPECT_EQ(error, ENOSPC);
    files.Close(descriptor);
}

TEST(SystemErrorText, TheLibraryTextWithoutALineBreak) {
    char text[256];
    EXPECT_STREQ(SystemErrorText(ENOENT, text, sizeof text), "No such file or directory");
    EXPECT_STREQ(SystemErrorText(ENOSPC, text, sizeof text), "No space left on device");
    SystemErrorText(0x12345, text, sizeof text);
    EXPECT_NE(std::string(text).find("74565"), std::string::npos) << text;
}

TEST(SystemErrorText, AShortBufferIsCutAndTerminated) {
    char text[8];
    std::memset(text, 'x', sizeof text);
    SystemErrorText(ENOENT, text, sizeof text);
    EXPECT_LT(std::strlen(text), sizeof text);
    EXPECT_EQ(std::string("No such file or directory").rfind(text, 0), 0u) << text;
}

}  // namespace
}  // namespace varnex
