// Memory on huge pages and huge files: a page of 1 GiB, and a sparse file
// above 4 GiB, each run by the real binary, whose peak resident memory must
// stay within the page size plus a few MiB of what an idle run takes.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

#include "child_process.h"

namespace varnex::reliability {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;

// What the sanitizer build may add on top: ASan poisons a freed buffer in
// its shadow memory, an eighth of the buffer's size.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

std::uint64_t Allowance(std::uint64_t page_size) {
    return page_size + 8 * kMiB + (kAddressSanitizer ? page_size / 8 + 32 * kMiB : 0);
}

// A sparse file of `size` bytes with `pieces` laid at their offsets.
void MakeSparseFile(const std::string& path, std::uint64_t size,
                    const std::vector<std::pair<std::uint64_t, std::string>>& pieces) {
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(::ftruncate(descriptor, static_cast<off_t>(size)), 0);
    for (const auto& [offset, bytes] : pieces) {
        ASSERT_EQ(::pwrite(descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
                  static_cast<ssize_t>(bytes.size()));
    }
    ::close(descriptor);
}

std::uint64_t FileSize(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

// Compares the file with zeros and `pieces` wherever it holds data (holes
// read as zeros and need no reading). Returns the first offset that
// differs, or UINT64_MAX.
std::uint64_t FirstDifference(const std::string& path, const std::vector<std::pair<std::uint64_t, std::string>>& pieces) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return 0;
    const std::uint64_t size = FileSize(path);
    std::vector<char> buffer(16 * kMiB);
    std::vector<char> expected(buffer.size());
    std::uint64_t position = 0;
    while (position < size) {
        const off_t data = ::lseek(descriptor, static_cast<off_t>(position), SEEK_DATA);
        if (data < 0) break;  // only a hole is left
        const auto hole = static_cast<std::uint64_t>(::lseek(descriptor, data, SEEK_HOLE));
        for (auto at = static_cast<std::uint64_t>(data); at < hole;) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), hole - at));
            if (::pread(descriptor, buffer.data(), want, static_cast<off_t>(at)) != static_cast<ssize_t>(want)) {
                ::close(descriptor);
                return at;
            }
            std::fill(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(want), '\0');
            for (const auto& [start, bytes] : pieces) {
                for (std::size_t i = 0; i < bytes.size(); ++i) {
                    if (start + i >= at && start + i < at + want) expected[start + i - at] = bytes[i];
                }
            }
            if (std::memcmp(buffer.data(), expected.data(), want) != 0) {
                std::size_t i = 0;
                while (buffer[i] == expected[i]) ++i;
                ::close(descriptor);
                return at + i;
            }
            at += want;
        }
        position = hole;
    }
    ::close(descriptor);
    return UINT64_MAX;
}

// A run whose peak resident memory is taken from the kernel's high-water
// mark of the program's own address space (VmHWM), read while the program
// waits for the end of its stream with every page still held. (The child's
// ru_maxrss would not do: a child started by vfork inherits the peak of the
// test process, which is larger than what is measured here.)
struct MeasuredRun {
    ChildResult result;
    std::string log;
    long peak_kib = -1;
};

long HighWaterKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

MeasuredRun RunMeasured(const TemporaryFolder& folder, const std::string& target, const std::string& stream,
                        const std::string& last_line, std::vector<std::string> extra_arguments) {
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
    ChildSetup setup;
    setup.standard_input = input[0];
    setup.standard_output = OpenForChild(folder.File("log"), O_WRONLY | O_CREAT | O_TRUNC);
    setup.standard_error = OpenForChild(folder.File("stderr"), O_WRONLY | O_CREAT | O_TRUNC);
    setup.arguments = {target};
    setup.arguments.insert(setup.arguments.end(), extra_arguments.begin(), extra_arguments.end());
    const pid_t pid = StartVarnex(setup);
    ::close(input[0]);
    ::close(setup.standard_output);
    ::close(setup.standard_error);
    if (::write(input[1], stream.data(), stream.size()) != static_cast<ssize_t>(stream.size())) {
        throw std::runtime_error("cannot hand over the stream");
    }
    MeasuredRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (ReadWholeFile(folder.File("log")).find(last_line + "\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.peak_kib = HighWaterKiB(pid);
    ::close(input[1]);  // the end of the stream
    run.result = WaitForChild(pid);
    run.log = ReadWholeFile(folder.File("log"));
    if (!ReadWholeFile(folder.File("stderr")).empty()) throw std::runtime_error("varnex wrote to standard error");
    return run;
}

long IdlePeakKiB(const TemporaryFolder& folder) {
    const std::string small = folder.File("small.bin");
    WriteWholeFile(small, std::string(4096, 'x'));
    return RunMeasured(folder, small, "PAGE 0\n",
                       "MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000000:00000000.", {})
        .peak_kib;
}

// The log lines that matter, in order, must all be there.
void ExpectInOrder(const std::string& log, const std::vector<std::string>& lines) {
    std::size_t from = 0;
    for (const std::string& line : lines) {
        const std::size_t at = log.find(line + "\n", from);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << line << "\n--- log ---\n" << log;
        from = at + line.size();
    }
}

TEST(HugePages, OneGibPageWithinItsOwnSizeOfMemory) {
    TemporaryFolder folder;
    const std::string target = folder.File("huge.bin");
    const std::uint64_t needle = kGiB - 100;
    MakeSparseFile(target, kGiB + 4096, {{needle, "NEEDLE"}, {kGiB - 4, "END!"}, {kGiB + 10, "TAIL"}});
    const long idle = IdlePeakKiB(folder);
    const MeasuredRun run =
        RunMeasured(folder, target,
                    "PAGE 0\n"
                    "SEARCH 0 6E6565646C65\n"
                    "VER 1073741724 4E4545444C45\n"
                    "REP 1073741724 2A2A2A2A2A2A\n"
                    "DUMP 1073741808\n"
                    "WRITE\n",
                    "MIP0117I: Write completed (1073741824 bytes written) at offset 0x00000000:00000000.", {"-P:1048576K"});
    ASSERT_TRUE(run.result.exited) << "ended by signal " << run.result.signal;
    EXPECT_EQ(run.result.exit_code, 0);
    ExpectInOrder(run.log, {"  - Page Size 1073741824",
                            "MIP0110I: Page command completed 1073741824 bytes loaded from offset 0x00000000:00000000.",
                            "MIP0124I: The search string was located at offset 1073741724 (0x3FFFFF9C) in the current page.",
                            "MIP0112I: Verify operation succeeded (6 bytes compared).",
                            "MIP0116I: Replace operation succeeded (6 bytes updated).",
                            "0000: 00 00 00 00 00 00 00 00   00 00 00 00 45 4E 44 21  :........ ....END!",
                            "MIP0117I: Write completed (1073741824 bytes written) at offset 0x00000000:00000000.",
                            "MIP0105I: The end of the command stream has been reached."});
    ASSERT_GT(run.peak_kib, 0);
    const std::uint64_t used = static_cast<std::uint64_t>(std::max(0L, run.peak_kib - idle)) * 1024;
    std::printf("1 GiB page: peak resident memory %ld KiB, %ld KiB when idle, %.1f MiB above the page size\n",
                run.peak_kib, idle, (static_cast<double>(used) - static_cast<double>(kGiB)) / kMiB);
    EXPECT_GE(used, kGiB / 2) << "the measurement did not see the page";
    EXPECT_LE(used, Allowance(kGiB)) << "the run took more than the page size plus a few MiB";
    EXPECT_EQ(FileSize(target), kGiB + 4096);
    EXPECT_EQ(FirstDifference(target, {{needle, "******"}, {kGiB - 4, "END!"}, {kGiB + 10, "TAIL"}}), UINT64_MAX);
}

TEST(HugePages, SparseFileAboveFourGibWithinAPageOfMemory) {
    TemporaryFolder folder;
    const std::string target = folder.File("sparse.bin");
    const std::uint64_t size = 6 * kGiB;
    const std::uint64_t inner = 5 * kGiB + 0x123;
    const std::uint64_t last = size - 2;
    MakeSparseFile(target, size, {{inner, "ABCD"}, {last, "YZ"}});
    const long idle = IdlePeakKiB(folder);
    const MeasuredRun run = RunMeasured(folder, target,
                                      "PAGE 0x1:0x40000000\n"
                                      "VER 0x123 61626364\n"
                                      "REP 0x123 31323334\n"
                                      "WRITE\n"
                                      "PAGE 0x1:7FFFF000\n"
                                      "VER 4094 595A\n"
                                      "VER 4094 595A00\n"
                                      "PAGE 0x1:7FFFF000\n"
                                      "REP 4095 21\n"
                                      "WRITE\n"
                                      "PAGE 0x1:0x80000000\n",
                                      "MIP0110I: Page command completed 0 bytes loaded from offset 0x00000001:80000000.",
                                      {"-P:64K"});
    ASSERT_TRUE(run.result.exited) << "ended by signal " << run.result.signal;
    EXPECT_EQ(run.result.exit_code, 0);
    ExpectInOrder(run.log, {"MIP0110I: Page command completed 65536 bytes loaded from offset 0x00000001:40000000.",
                            "MIP0112I: Verify operation succeeded (4 bytes compared).",
                            "MIP0117I: Write completed (65536 bytes written) at offset 0x00000001:40000000.",
                            "MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000001:7FFFF000.",
                            "MIP0112I: Verify operation succeeded (2 bytes compared).",
                            "MIP0111E: The verify operation (Offset: 4094, Length: 3) failed because the patch "
                            "overlapped the end of the page.",
                            "MIP0110I: Page command completed 4096 bytes loaded from offset 0x00000001:7FFFF000.",
                            "MIP0117I: Write completed (4096 bytes written) at offset 0x00000001:7FFFF000.",
                            "MIP0110I: Page command completed 0 bytes loaded from offset 0x00000001:80000000.",
                            "MIP0105I: The end of the command stream has been reached."});
    ASSERT_GT(run.peak_kib, 0);
    const std::uint64_t used = static_cast<std::uint64_t>(std::max(0L, run.peak_kib - idle)) * 1024;
    std::printf("sparse 6 GiB file, 64 KiB pages: peak resident memory %ld KiB, %ld KiB when idle\n", run.peak_kib,
                idle);
    EXPECT_LE(used, Allowance(64 * 1024));
    EXPECT_EQ(FileSize(target), size);
    EXPECT_EQ(FirstDifference(target, {{inner, "1234"}, {last, "Y!"}}), UINT64_MAX);
}

}  // namespace
}  // namespace varnex::reliability
