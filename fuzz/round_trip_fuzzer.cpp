// Fuzz target: the round trip of varnex-diff's stream. From the input come an
// old file of up to 160 bytes, a new file of the same size made from it by the
// edits the input chooses, a page size and whether every byte of a page is
// verified. The stream is made by the comparison and the stream writer that
// varnex-diff uses, then run by the whole program over the file in memory:
//
//   on the old file it must give the new file byte for byte;
//   on the new file it must change nothing;
//   on a third file, the old one with the first changed byte of every
//   changed page turned by 0x80 (a difference that VER sees whatever the
//   letter case), it must change nothing, every page being refused;
//   every page starts at a multiple of the page size;
//
// and the stream checker must find nothing in the stream. The input is laid
// out as
//
//   one byte of settings: bit 0 whole-page verification, bits 1-2 the old file's pattern
//   two bytes, little-endian: the page size less one, modulo 160
//   two bytes, little-endian: the file size, modulo 161
//   edits to the rest of the input, five bytes each (see ApplyEdit)
//
// The comparison reads real file handles, so the files are handed to it as
// memory-backed files, and the stream is written to a memory stream: this
// target needs Linux.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "change/stream_writer.h"
#include "check/stream_lint.h"
#include "command/byte_source.h"
#include "diff/file_comparison.h"
#include "front/program_entry.h"
#include "fuzz_support.h"
#include "support/fake_file_system.h"

namespace {

using varnex::fuzz::Require;
using Bytes = std::vector<std::uint8_t>;

// Small files and few edits keep one input well under a millisecond, so a
// minute explores tens of thousands: a run of stream lines costs the same
// whatever the file's size, and 160 bytes hold every case (pages smaller and
// larger than the file, a partial last page, data lines split at 128 bytes).
constexpr std::size_t kLargestFile = 160;
constexpr std::size_t kMostEdits = 8;

struct Case {
    Bytes old_file;
    Bytes new_file;
    std::uint32_t page_size = 1;
    bool verify_pages = false;
};

// The old file: prose (letters for the case-only edits), a counter, zeros,
// or bytes of a simple generator.
Bytes OldFile(std::size_t size, unsigned pattern) {
    constexpr std::string_view kProse = "The Quick brown fox jumps over the lazy dog; PACK MY BOX with five dozen jugs. ";
    Bytes file(size);
    std::uint32_t state = 2463534242u;
    for (std::size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        switch (pattern) {
            case 0: file[i] = static_cast<std::uint8_t>(kProse[i % kProse.size()]); break;
            case 1: file[i] = static_cast<std::uint8_t>(i); break;
            case 2: file[i] = 0; break;
            default: file[i] = static_cast<std::uint8_t>(state); break;
        }
    }
    return file;
}

bool IsLetter(std::uint8_t byte) {
    const std::uint8_t lower = byte | 0x20;
    return lower >= 'a' && lower <= 'z';
}

// One edit: a kind byte, a place (two bytes), a length byte and a value byte.
// The kinds: a run of the value; a run across a page boundary; a run in the
// last partial page (or the last page); the letter case of a run flipped;
// every byte of a run turned by the value (never 0).
void ApplyEdit(varnex::fuzz::InputCursor& input, Case& made) {
    const std::uint8_t kind = input.Byte() % 5;
    std::size_t place = input.Byte();
    place |= static_cast<std::size_t>(input.Byte()) << 8;
    const std::size_t length = 1 + input.Byte() % 144u;  // up to 144: past a REP line's 128
    const std::uint8_t value = input.Byte();
    Bytes& file = made.new_file;
    const std::size_t size = file.size();
    const std::size_t page = made.page_size;
    std::size_t start = place % size;
    if (kind == 1) {
        const std::size_t boundary = (place % (size / page + 1)) * page;
        start = boundary > length / 2 ? boundary - length / 2 : 0;
    } else if (kind == 2) {
        const std::size_t last_page = size % page != 0 ? size - size % page : (size > page ? size - page : 0);
        start = last_page + place % (size - last_page);
    }
    for (std::size_t i = start; i < size && i - start < length; ++i) {
        if (kind == 3) {
            if (IsLetter(file[i])) file[i] ^= 0x20;
        } else if (kind == 4) {
            file[i] ^= value == 0 ? 1 : value;
        } else {
            file[i] = value;
        }
    }
}

Case MakeCase(varnex::fuzz::InputCursor& input) {
    Case made;
    const std::uint8_t settings = input.Byte();
    made.verify_pages = (settings & 1) != 0;
    std::uint32_t page_less_one = input.Byte();
    page_less_one |= static_cast<std::uint32_t>(input.Byte()) << 8;
    made.page_size = 1 + page_less_one % kLargestFile;
    std::size_t size = input.Byte();
    size |= static_cast<std::size_t>(input.Byte()) << 8;
    made.old_file = OldFile(size % (kLargestFile + 1), (settings >> 1) & 3);
    made.new_file = made.old_file;
    for (std::size_t edit = 0; edit < kMostEdits && !input.AtEnd() && !made.new_file.empty(); ++edit) {
        ApplyEdit(input, made);
    }
    return made;
}

// A file in memory with a handle the comparison can read, closed when it goes.
class MemoryFile {
public:
    explicit MemoryFile(const Bytes& bytes) : handle_(memfd_create("varnex-round-trip", 0)) {
        Require(handle_ >= 0, "cannot make a file in memory");
        const auto written = bytes.empty() ? 0 : write(handle_, bytes.data(), bytes.size());
        Require(written >= 0 && static_cast<std::size_t>(written) == bytes.size(), "cannot fill a file in memory");
        Require(lseek(handle_, 0, SEEK_SET) == 0, "cannot rewind a file in memory");
    }
    ~MemoryFile() { close(handle_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    varnex::FileHandle Handle() const { return handle_; }

private:
    int handle_;
};

// Passes the pages on to the stream writer and keeps where each starts.
class RecordingSink final : public varnex::ChangeSink {
public:
    explicit RecordingSink(varnex::ChangeSink& inner) : inner_(inner) {}
    std::vector<std::uint64_t> offsets;

    bool Add(const varnex::ChangedPage& page) override {
        offsets.push_back(page.offset);
        return inner_.Add(page);
    }
    bool Finish() override { return inner_.Finish(); }
    const char* LastError() const override { return inner_.LastError(); }

private:
    varnex::ChangeSink& inner_;
};

// The stream that turns the old file into the new one, as varnex-diff
// writes it, and the offsets of the pages it changes.
std::string DiffStream(const Case& made, std::vector<std::uint64_t>& offsets) {
    char* text = nullptr;
    std::size_t length = 0;
    std::FILE* output = open_memstream(&text, &length);
    Require(output != nullptr, "cannot open a memory stream");
    {
        MemoryFile old_file(made.old_file);
        MemoryFile new_file(made.new_file);
        varnex::StreamWriterOptions options;
        options.page_size = made.page_size;
        options.verify_pages = made.verify_pages;
        options.made_by = {"Made by the round-trip fuzzer"};
        varnex::StreamWriter writer(output, options);
        RecordingSink sink(writer);
        const varnex::ComparisonSettings settings{made.page_size, made.verify_pages};
        varnex::ProgressLine progress(false, made.old_file.size());
        const varnex::ComparisonOutcome outcome = varnex::CompareFiles(
            {old_file.Handle(), "old", true, made.old_file.size()}, {new_file.Handle(), "new", true, made.new_file.size()},
            settings, sink, progress);
        Require(outcome.trouble.empty(), "the comparison of two files in memory failed");
        Require(sink.Finish(), "the stream writer failed");
        Require(outcome.pages == sink.offsets.size(), "the comparison miscounts its pages");
        offsets = sink.offsets;
    }
    Require(std::fclose(output) == 0, "cannot close a memory stream");
    std::string stream(text, length);
    std::free(text);
    return stream;
}

// The file after the whole program ran `stream` on it; the log is dropped.
Bytes Run(const std::string& stream, const Bytes& file) {
    varnex::testing::FakeFileSystem files;
    files.contents = file;
    varnex::StringByteSource commands(stream);
    const char* argv[] = {"varnex", "target.bin", nullptr};
    varnex::fuzz::LogWatcher log;
    Require(varnex::RunProgram(2, argv, files, commands) == varnex::kExitRun, "a run that does not exit with 0");
    Require(files.closed, "the file was not closed");
    return files.contents;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varnex::fuzz::InputCursor input(data, size);
    const Case made = MakeCase(input);
    std::vector<std::uint64_t> offsets;
    const std::string stream = DiffStream(made, offsets);
    Require(offsets.empty() == (made.old_file == made.new_file), "pages for equal files, or none for different ones");

    Require(Run(stream, made.old_file) == made.new_file, "the stream does not turn the old file into the new one");
    Require(Run(stream, made.new_file) == made.new_file, "the stream changes the new file");
    Bytes third = made.old_file;
    for (const std::uint64_t offset : offsets) {
        Require(offset % made.page_size == 0, "a page that does not start at a multiple of the page size");
        std::size_t first = static_cast<std::size_t>(offset);
        while (made.old_file[first] == made.new_file[first]) ++first;
        third[first] ^= 0x80;
    }
    Require(Run(stream, third) == third, "the stream changes a file that differs from the old one in every page");

    for (const varnex::Finding& finding : varnex::LintStream(stream, 4096)) {
        Require(finding.severity == varnex::Severity::kNote, "the stream checker finds fault with the stream");
    }
    return 0;
}
