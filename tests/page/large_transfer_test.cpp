// A page of nearly 4 GiB moves in calls of at most 0x7ffff000 bytes, the
// most Linux moves at once, and its count is reported whole. The file system
// here moves no bytes at all: it only records what each call was asked for,
// over an address range that is reserved but never touched.

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <vector>

#include "page/file_access.h"
#include "support/captured_output.h"

namespace varnex {
namespace {

using testing::CapturedOutput;

constexpr std::size_t kLargestCall = 0x7ffff000;
constexpr std::uint32_t kPage = 0xFFFFFFFF;

class CountingFileSystem final : public FileSystem {
public:
    std::vector<std::size_t> asked;
    std::uint64_t file_size = 0;

    FileHandle Open(const char*, ErrorCode&) override { return 3; }
    int Seek(FileHandle, std::uint64_t offset, ErrorCode&) override {
        position_ = offset;
        return 0;
    }
    CallResult Read(FileHandle, void*, std::size_t count, ErrorCode&) override { return {Move(count), false}; }
    CallResult Write(FileHandle, const void*, std::size_t count, ErrorCode&) override { return {Move(count), false}; }
    void Close(FileHandle) override {}

private:
    std::size_t Move(std::size_t count) {
        asked.push_back(count);
        const std::uint64_t moved = position_ >= file_size ? 0 : std::min<std::uint64_t>(count, file_size - position_);
        position_ += moved;
        return static_cast<std::size_t>(moved);
    }

    std::uint64_t position_ = 0;
};

// Address space for a page of kPage bytes, reserved without memory behind it.
class ReservedRange {
public:
    ReservedRange() : address_(::mmap(nullptr, kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)) {}
    ~ReservedRange() {
        if (Ready()) ::munmap(address_, kPage);
    }
    bool Ready() const { return address_ != MAP_FAILED; }
    std::uint8_t* Bytes() const { return static_cast<std::uint8_t*>(address_); }

private:
    void* address_;
};

TEST(LargeTransfer, ReadsAndWritesMoveInPiecesTheSystemAccepts) {
    ReservedRange range;
    if (!range.Ready()) GTEST_SKIP() << "cannot reserve 4 GiB of address space";
    CountingFileSystem files;
    files.file_size = 0x200000000ull;
    CapturedOutput output;

    EXPECT_EQ(PageRead(files, 3, 0, 0, range.Bytes(), kPage), kPage);
    EXPECT_EQ(files.asked, (std::vector<std::size_t>{kLargestCall, kLargestCall, kPage - 2 * kLargestCall}));
    files.asked.clear();
    EXPECT_TRUE(PageWrite(files, 3, 1, 0, range.Bytes(), kPage));
    EXPECT_EQ(files.asked, (std::vector<std::size_t>{kLargestCall, kLargestCall, kPage - 2 * kLargestCall}));
    EXPECT_EQ(output.Text(),
              "MIP0110I: Page command completed -1 bytes loaded from offset 0x00000000:00000000.\n\n"
              "MIP0117I: Write completed (-1 bytes written) at offset 0x00000001:00000000.\n\n");
}

TEST(LargeTransfer, AReadStopsAtTheEndOfTheFile) {
    ReservedRange range;
    if (!range.Ready()) GTEST_SKIP() << "cannot reserve 4 GiB of address space";
    CountingFileSystem files;
    files.file_size = 0x90000000ull;
    CapturedOutput output;
    EXPECT_EQ(PageRead(files, 3, 0, 0, range.Bytes(), kPage), 0x90000000u);
    EXPECT_EQ(files.asked, (std::vector<std::size_t>{kLargestCall, kLargestCall, kPage - 0x90000000u}))
        << "the second call moves less than asked, the third meets the end";
    EXPECT_EQ(output.Text(),
              "MIP0110I: Page command completed -1879048192 bytes loaded from offset 0x00000000:00000000.\n\n");
}

}  // namespace
}  // namespace varnex
