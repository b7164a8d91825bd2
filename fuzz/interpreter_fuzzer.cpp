// Fuzz target: the whole program, from its arguments to its exit code, with
// the target file in memory. The input is laid out as
//
//   extra arguments (after the file name), separated by blanks, up to a line feed
//   one byte that plans a fault of the file system (0: none; see PlanFault)
//   two bytes, little-endian: the length of the file image
//   the file image
//   the command stream (the rest)
//
// Besides the sanitizers, every run checks the promises the log makes about
// the file: it keeps its size, every byte that changed lies in a range whose
// write the log reports as completed (MIP0117I), every page written is one
// that was read there before (MIP0110I), and no more pages are written than
// replacements succeeded.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "command/byte_source.h"
#include "front/program_entry.h"
#include "fuzz_support.h"
#include "support/fake_file_system.h"

namespace {

using varnex::fuzz::Require;
using varnex::fuzz::StartsWith;
using Fault = varnex::testing::FakeFileSystem::Fault;

constexpr std::size_t kMostArguments = 8;
constexpr std::string_view kClosingBanner = "Quillmark (Varnex) Version: 1.3.1 build: 11 mip completed.";

struct Range {
    std::uint64_t start;
    std::uint64_t length;
    bool Holds(std::uint64_t position) const { return position >= start && position - start < length; }
};

// The file system in memory, watched: every call must stay within the
// file's bytes, and every byte a write call moved is remembered.
class WatchedFileSystem final : public varnex::FileSystem {
public:
    explicit WatchedFileSystem(varnex::testing::FakeFileSystem& inner, std::uint64_t size)
        : inner_(inner), size_(size) {}

    std::vector<Range> moved;  // what the write calls wrote

    varnex::FileHandle Open(const char* name, varnex::ErrorCode& error) override { return inner_.Open(name, error); }
    int Seek(varnex::FileHandle descriptor, std::uint64_t offset, varnex::ErrorCode& error) override {
        const int result = inner_.Seek(descriptor, offset, error);
        if (result == 0) position_ = offset;
        return result;
    }
    varnex::CallResult Read(varnex::FileHandle descriptor, void* buffer, std::size_t count, varnex::ErrorCode& error) override {
        const varnex::CallResult got = inner_.Read(descriptor, buffer, count, error);
        Require(got.moved <= count, "a read moved more than it was asked");
        position_ += got.moved;
        return got;
    }
    varnex::CallResult Write(varnex::FileHandle descriptor, const void* buffer, std::size_t count, varnex::ErrorCode& error) override {
        Require(position_ <= size_ && count <= size_ - position_, "a write reaches past the end of the file");
        const varnex::CallResult put = inner_.Write(descriptor, buffer, count, error);
        if (put.moved > 0) moved.push_back({position_, put.moved});
        position_ += put.moved;
        return put;
    }
    void Close(varnex::FileHandle descriptor) override { inner_.Close(descriptor); }

private:
    varnex::testing::FakeFileSystem& inner_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
};

// The lines the reader echoes for `stream`, in order: each line of at most
// 512 characters of codes 32 to 127 (other bytes are dropped), the 513-
// character pieces of an overlong line, up to a line beginning with "/*".
std::deque<std::string> EchoedLines(std::string_view stream) {
    std::deque<std::string> lines;
    std::string line;
    bool overlong = false;
    for (const char c : stream) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte <= 127) {
            line += c;
            if (line.size() == 513) {
                lines.push_back(line);
                line.clear();
                overlong = true;
            }
        } else if (byte == '\n') {
            if (!overlong) {
                lines.push_back(line);
                if (StartsWith(line, "/*")) return lines;
            }
            line.clear();
            overlong = false;
        }
    }
    if (!overlong && !line.empty()) lines.push_back(line);
    return lines;
}

// What the log says was read and written. Echoed command lines are told
// apart from messages by their order, so a comment that looks like a
// message is not taken for one.
class FileLog final : public varnex::fuzz::LogWatcher {
public:
    explicit FileLog(std::string_view stream) : echoes_(EchoedLines(stream)) {}

    std::vector<Range> pages_read;     // MIP0110I with more than 0 bytes
    std::vector<Range> pages_written;  // MIP0117I
    std::size_t replacements = 0;      // MIP0116I
    std::size_t end_of_stream_lines = 0;

protected:
    void OnLine(std::string_view line) override {
        if (!echoes_.empty() && line == echoes_.front()) {
            echoes_.pop_front();
            return;
        }
        if (StartsWith(line, "MIP0110I:")) {
            pages_read.push_back(Parse(line, "MIP0110I: Page command completed %d bytes loaded from offset 0x%8X:%8X."));
        } else if (StartsWith(line, "MIP0117I:")) {
            const Range written = Parse(line, "MIP0117I: Write completed (%d bytes written) at offset 0x%8X:%8X.");
            bool was_read = false;
            for (const Range& page : pages_read) {
                was_read = was_read || (page.start == written.start && written.length <= page.length);
            }
            Require(was_read, "a page written where no page of that length was read");
            pages_written.push_back(written);
        } else if (StartsWith(line, "MIP0116I:")) {
            ++replacements;
        } else if (StartsWith(line, "MIP0105I:")) {
            ++end_of_stream_lines;
        }
    }

private:
    std::deque<std::string> echoes_;

    static Range Parse(std::string_view line, const char* format) {
        const std::string text(line);
        int count = -1;
        unsigned high = 0;
        unsigned low = 0;
        Require(std::sscanf(text.c_str(), format, &count, &high, &low) == 3, "a malformed MIP0110I or MIP0117I line");
        return {(static_cast<std::uint64_t>(high) << 32) | low, static_cast<std::uint64_t>(count < 0 ? 0 : count)};
    }
};

// One fault of the file system, chosen by the plan byte: bits 0-1 the kind
// (interrupted, error, short transfer, nothing moved), bit 2 read or write,
// bits 4-6 how many calls pass untouched before it.
bool PlanFault(std::uint8_t plan, varnex::testing::FakeFileSystem& files) {
    if (plan == 0) return false;
    std::deque<Fault>& faults = (plan & 4) != 0 ? files.write_faults : files.read_faults;
    for (int i = 0; i < ((plan >> 4) & 7); ++i) faults.push_back(Fault{Fault::kShort, 0, SIZE_MAX});
    switch (plan & 3) {
        case 0: faults.push_back(Fault{Fault::kError, EINTR, 0}); break;
        case 1: faults.push_back(Fault{Fault::kError, EIO, 0}); break;
        case 2: faults.push_back(Fault{Fault::kShort, 0, 3}); break;
        default: faults.push_back(Fault{Fault::kZero, 0, 0}); break;
    }
    // Only an error or a write that moves nothing can leave a page written
    // in part; interruptions and short transfers are resumed.
    return (plan & 4) != 0 && (plan & 3) != 0 && (plan & 3) != 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnex::fuzz::InputCursor input(data, size);
    std::vector<std::string> arguments{"varnex", "target.bin"};
    std::string_view extra = input.Until('\n', 256);
    while (!extra.empty() && arguments.size() < kMostArguments) {
        const std::size_t blank = extra.find(' ');
        if (blank != 0) arguments.emplace_back(extra.substr(0, blank));
        extra = blank == std::string_view::npos ? std::string_view() : extra.substr(blank + 1);
    }
    const std::uint8_t plan = input.Byte();
    std::size_t image_length = input.Byte();
    image_length |= static_cast<std::size_t>(input.Byte()) << 8;
    const std::string_view image = input.Take(image_length);
    const std::string_view stream = input.Rest();

    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);

    varnex::testing::FakeFileSystem fake;
    fake.contents.assign(image.begin(), image.end());
    const bool partial_writes_possible = PlanFault(plan, fake);
    WatchedFileSystem files(fake, image.size());
    varnex::StringByteSource commands(stream);
    FileLog log(stream);
    const int exit_code = varnex::RunProgram(static_cast<int>(arguments.size()), argv.data(), files, commands);

    Require(log.Complete(), "the log ends in the middle of a line");
    Require(exit_code == varnex::kExitRun || exit_code == varnex::kExitNoFile, "an exit code other than 0 or 16");
    if (!fake.opened_name.empty()) {
        Require(fake.closed, "the file was not closed");
        Require(log.LastLine() == kClosingBanner, "a run that does not end with the closing banner");
    }
    Require(log.end_of_stream_lines <= 1, "the end of the stream reported twice");
    Require(log.pages_written.size() <= log.replacements, "more pages written than replacements succeeded");
    Require(fake.contents.size() == image.size(), "the file changed its size");
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (fake.contents[i] == static_cast<std::uint8_t>(image[i])) continue;
        bool accounted = false;
        for (const Range& page : log.pages_written) accounted = accounted || page.Holds(i);
        if (!accounted && partial_writes_possible) {
            for (const Range& piece : files.moved) accounted = accounted || piece.Holds(i);
        }
        Require(accounted, "a byte changed outside every page the log reports as written");
    }
    return 0;
}
