// The Windows platform layer on real files and real standard handles: what
// the page engine relies on from CreateFileA, SetFilePointer, ReadFile,
// WriteFile and FormatMessageA, and the bytes of the text-mode log.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "command/byte_source.h"
#include "page/file_access.h"
#include "platform/input_stream.h"
#include "platform/output_replacement.h"
#include "platform/standard_streams.h"
#include "support/captured_output.h"
#include "support/fake_file_system.h"
#include "support/scratch_folder.h"

namespace varnex {
namespace {

using testing::CapturedOutput;
using testing::ScratchFolder;

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Another handle on the file, shared as a second program would hold it.
HANDLE OpenShared(const std::string& path, DWORD disposition) {
    return ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAt(HANDLE file, std::uint64_t offset, const std::string& bytes) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadAt(HANDLE file, std::uint64_t offset, DWORD count) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    std::string bytes(count, '\0');
    DWORD got = 0;
    if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !::ReadFile(file, bytes.data(), count, &got, nullptr))
        return "<failed>";
    bytes.resize(got);
    return bytes;
}

// Standard output on another handle for the length of a scope (the test
// framework's own output goes through the C runtime, which keeps its handle).
class StandardOutputOn {
public:
    explicit StandardOutputOn(HANDLE output) : saved_(::GetStdHandle(STD_OUTPUT_HANDLE)) {
        ::SetStdHandle(STD_OUTPUT_HANDLE, output);
    }
    ~StandardOutputOn() { ::SetStdHandle(STD_OUTPUT_HANDLE, saved_); }
    StandardOutputOn(const StandardOutputOn&) = delete;
    StandardOutputOn& operator=(const StandardOutputOn&) = delete;

private:
    HANDLE saved_;
};

// Text mode: a lost CR, or a system text trimmed of its own CR LF, changes
// these bytes.
TEST(Win32Log, AMissingFileEndsWithTheSystemTextsOwnLineEndThenAFullStop) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string missing = folder.Path("missing.bin");
    const HANDLE log = OpenShared(folder.Path("log"), CREATE_ALWAYS);
    ASSERT_NE(log, INVALID_HANDLE_VALUE);
    {
        StandardOutputOn redirected(log);
        StringByteSource commands("PAGE 0\n");
        OpenAndRun(missing.c_str(), 4096, SystemFileSystem(), commands);
    }
    ::CloseHandle(log);
    const std::string bytes = ReadWholeFile(folder.Path("log"));
    const std::string head =
        "MIP0100E: Unable to open the requested file '" + missing + "'.\r\nPlatform API Error: 0x0002 - ";
    ASSERT_EQ(bytes.substr(0, head.size()), head) << bytes;
    const std::string text = bytes.substr(head.size());
    ASSERT_GT(text.size(), 6u) << "the system's text is there";
    EXPECT_EQ(text.substr(text.size() - 6), "\r\r\n.\r\n");
    EXPECT_EQ(text.find_first_of("\r\n"), text.size() - 6) << "one line of text, then the full stop alone";
}

// A closed or invalid standard output fails the write; it must not end the
// process or be taken for success.
TEST(Win32Log, WritesToAMissingStandardOutputFailQuietly) {
    for (HANDLE output : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
        StandardOutputOn redirected(output);
        EXPECT_FALSE(WriteStandardOutput("line\n", 5));
        EXPECT_FALSE(WriteStandardOutputLine("line", 4));
    }
}

// SetFilePointer returns the low half of the new position, so a low half of
// 0xFFFFFFFF looks like its failure value; taking it for a failure, or losing
// the high half, moves the page.
TEST(Win32FileSystem, PagesAroundFourGiBAreReadAndWrittenAtTheirOffsets) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string path = folder.Path("large.bin");
    const HANDLE other = OpenShared(path, CREATE_ALWAYS);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    DWORD ignored = 0;
    ::DeviceIoControl(other, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    ASSERT_TRUE(WriteAt(other, 0xFFFFFFFEull, "WXYZ")) << "a sparse file of 4 GiB + 2 bytes";

    FileSystem& files = SystemFileSystem();
    ErrorCode error = 0;
    const FileHandle file = files.Open(path.c_str(), error);
    ASSERT_NE(file, kNoFile) << error;
    CapturedOutput output;
    std::uint8_t page[4] = {};
    EXPECT_EQ(PageRead(files, file, 0, 0xFFFFFFFF, page, 4), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(page), 3), "XYZ");
    const std::uint8_t patch[2] = {'a', 'b'};
    EXPECT_TRUE(PageWrite(files, file, 1, 0x10, patch, 2));
    EXPECT_EQ(output.Text(),
              "MIP0110I: Page command completed 3 bytes loaded from offset 0x00000000:FFFFFFFF.\n\n"
              "MIP0117I: Write completed (2 bytes written) at offset 0x00000001:00000010.\n\n");
    EXPECT_EQ(ReadAt(other, 0x100000010ull, 2), "ab");

    // A high half of 0x80000000 or more is a negative distance from the start.
    for (std::uint64_t negative : {0x8000000000000000ull, 0xFFFFFFFF00000000ull, 0xFFFFFFFFFFFFFFFFull}) {
        error = 0;
        EXPECT_EQ(files.Seek(file, negative, error), -1) << std::hex << negative;
        EXPECT_EQ(error, static_cast<ErrorCode>(ERROR_NEGATIVE_SEEK)) << std::hex << negative;
    }
    EXPECT_EQ(files.Seek(file, 0xFFFFFFFFull, error), 0);
    files.Close(file);
    ::CloseHandle(other);
}

// The file is shared for reading and writing while the run holds it, but not
// for deletion.
TEST(Win32FileSystem, AnotherHandleReadsAndWritesTheFileWhileItIsOpen) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    const std::string path = folder.Path("shared.bin");
    {
        std::ofstream(path, std::ios::binary) << "0123456789";
    }
    FileSystem& files = SystemFileSystem();
    ErrorCode error = 0;
    const FileHandle file = files.Open(path.c_str(), error);
    ASSERT_NE(file, kNoFile) << error;

    const HANDLE other = OpenShared(path, OPEN_EXISTING);
    ASSERT_NE(other, INVALID_HANDLE_VALUE) << ::GetLastError();
    ASSERT_TRUE(WriteAt(other, 2, "ab"));
    CapturedOutput output;
    std::uint8_t page[10] = {};
    ASSERT_EQ(PageRead(files, file, 0, 0, page, 10), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(page), 10), "01ab456789") << "the other handle's write is seen";
    const std::uint8_t patch[1] = {'Z'};
    EXPECT_TRUE(PageWrite(files, file, 0, 9, patch, 1));
    EXPECT_EQ(ReadAt(other, 0, 10), "01ab45678Z") << "and it sees the run's write";

    EXPECT_FALSE(::DeleteFileA(path.c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    ::CloseHandle(other);
    files.Close(file);
}

// One call moves a page on Windows: a write that the system reports as done
// with fewer bytes is a partial write, reported without a system error line
// and not carried on.
TEST(Win32Transfer, OneCallAPageAndAShortWriteIsNotCarriedOn) {
    testing::FakeFileSystem files;
    files.contents.assign(64, 0);
    files.write_faults = {testing::FakeFileSystem::Fault{testing::FakeFileSystem::Fault::kShort, 0, 5}};
    const std::uint8_t page[16] = {};
    CapturedOutput output;
    EXPECT_FALSE(PageWrite(files, 3, 0, 0, page, 16));
    EXPECT_EQ(output.Text(), "MIP0115E: Write failed (5 bytes written).\n");
    EXPECT_EQ(files.write_calls, 1u);
}

// A pipe hands its writer's pieces over one ReadFile at a time and ends with
// ERROR_BROKEN_PIPE: ReadToFill gathers the pieces and takes that end for the
// end of the input, not a failure; only a disk file has a size in advance.
TEST(Win32InputStream, APipeIsReadToItsEndAndHasNoSizeInAdvance) {
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    ASSERT_TRUE(::CreatePipe(&read_end, &write_end, nullptr, 0));
    DWORD written = 0;
    for (const char* piece : {"abc", "defg"}) {
        ASSERT_TRUE(::WriteFile(write_end, piece, static_cast<DWORD>(std::string(piece).size()), &written, nullptr));
    }
    ::CloseHandle(write_end);
    std::uint8_t bytes[16] = {};
    const TransferResult read = ReadToFill(reinterpret_cast<FileHandle>(read_end), bytes, sizeof bytes);
    EXPECT_FALSE(read.failed) << read.error;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), read.done), "abcdefg");
    EXPECT_FALSE(HasKnownSize(reinterpret_cast<FileHandle>(read_end)));
    ::CloseHandle(read_end);

    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    std::ofstream(folder.Path("disk.bin"), std::ios::binary) << "data";
    const HANDLE file = OpenShared(folder.Path("disk.bin"), OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(HasKnownSize(reinterpret_cast<FileHandle>(file)));
    ::CloseHandle(file);
}

// An output name is replaced whole only when it is a disk file or a new
// name: NUL, the null device, is written straight through (a file made
// beside it and renamed over it would take the device's name), and a folder
// is refused.
TEST(Win32OutputTarget, TellsTheNullDeviceFromFilesAndFolders) {
    ScratchFolder folder;
    ASSERT_TRUE(folder.Ready());
    std::ofstream(folder.Path("file"), std::ios::binary) << "x";
    const struct {
        std::string name;
        bool found;
        OutputKind kind;
    } cases[] = {
        {"NUL", true, OutputKind::kStraightThrough},
        {folder.Path("file"), true, OutputKind::kRegularFile},
        {folder.Path("missing"), true, OutputKind::kNewFile},
        {folder.Path("."), false, OutputKind::kNewFile},
    };
    for (const auto& c : cases) {
        OutputTarget target;
        ErrorCode error = 0;
        EXPECT_EQ(FindOutputTarget(c.name, target, error), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(target.kind, c.kind) << c.name;
        }
    }
    ErrorCode error = 0;
    std::FILE* device = OpenStraightThrough("NUL", error);
    ASSERT_NE(device, nullptr) << error;
    EXPECT_EQ(std::fwrite("abc", 1, 3, device), 3u);
    EXPECT_EQ(std::fclose(device), 0);
}

}  // namespace
}  // namespace varnex
