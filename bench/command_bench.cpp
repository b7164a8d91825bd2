// Cost of the command stream's pieces: operand conversions, tokenising a
// line, and reading whole commands (line assembly, echo, tokenise, convert)
// from an in-memory stream whose echoes go to a sink that drops them; and
// whole patched pages run by the real interpreter on a real file, the log
// going to /dev/null through the real line writer.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "command/byte_source.h"
#include "command/command_code.h"
#include "command/command_reader.h"
#include "command/data_conversion.h"
#include "command/number_conversion.h"
#include "command/tokenizer.h"
#include "output/line_writer.h"
#include "page/file_access.h"
#include "platform/file_system.h"
#include "standard_output_to_dev_null.h"

namespace {

class DiscardingSink final : public varnex::LineSink {
public:
    void Put(const char* line, std::size_t length) override {
        benchmark::DoNotOptimize(line);
        bytes += length;
    }
    std::size_t bytes = 0;
};

// Installs a discarding sink for the life of one benchmark.
class QuietOutput {
public:
    QuietOutput() : previous_(varnex::SetLineSink(&sink_)) {}
    ~QuietOutput() { varnex::SetLineSink(previous_); }
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    DiscardingSink sink_;
    varnex::LineSink* previous_;
};

// ---- number conversion ----------------------------------------------------

void ConvertNumberCase(benchmark::State& state, const char* text, bool two_parts) {
    std::uint32_t second = 0;
    std::uint32_t first = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        varnex::ConvertNumber(text, second, two_parts ? &first : nullptr);
        benchmark::DoNotOptimize(second);
        benchmark::DoNotOptimize(first);
    }
}
BENCHMARK_CAPTURE(ConvertNumberCase, decimal, "123456789", false);
BENCHMARK_CAPTURE(ConvertNumberCase, hexadecimal, "0x0012F4A0", false);
BENCHMARK_CAPTURE(ConvertNumberCase, multiplier, "64K", false);
BENCHMARK_CAPTURE(ConvertNumberCase, two_part_hex, "0x1:80000000", true);
BENCHMARK_CAPTURE(ConvertNumberCase, two_part_decimal, "12: 34", true);

void HexValue(benchmark::State& state) {
    const char* text = "DEADBEEF";
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        benchmark::DoNotOptimize(varnex::HexValue(text));
    }
}
BENCHMARK(HexValue);

void DecimalValue(benchmark::State& state) {
    const char* text = "  -2147483648";
    for (auto _ : state) {
        benchmark::DoNotOptimize(text);
        benchmark::DoNotOptimize(varnex::DecimalValue(text));
    }
}
BENCHMARK(DecimalValue);

// ---- data conversion --------------------------------------------------------

std::string HexText(std::size_t bytes) {
    static const char kDigits[] = "0123456789abcdefABCDEF";
    std::string text;
    for (std::size_t i = 0; i < 2 * bytes; ++i) text.push_back(kDigits[(i * 7 + 3) % 22]);
    return text;
}

void ConvertData(benchmark::State& state) {
    const std::string text = HexText(static_cast<std::size_t>(state.range(0)));
    std::uint8_t data[varnex::kMaxDataBytes];
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.data());
        benchmark::DoNotOptimize(varnex::ConvertData(text.c_str(), data));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(ConvertData)->Arg(4)->Arg(16)->Arg(128);

// ---- tokenising ---------------------------------------------------------------

void Tokenise(benchmark::State& state, const char* line) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(line);
        benchmark::DoNotOptimize(varnex::Tokenise(line));
    }
}
BENCHMARK_CAPTURE(Tokenise, page, "PAGE 0x0001F000");
BENCHMARK_CAPTURE(Tokenise, verify, "VER 0x1A4 4D5A9000");
BENCHMARK_CAPTURE(Tokenise, bitdump_lower_case, "bitdump 0x10 0x40");
BENCHMARK_CAPTURE(Tokenise, comment, "* a comment line that names no verb at all");

// ---- whole commands -------------------------------------------------------------

// A stream of `repeats` copies of `block`, then the end of the stream.
std::string Stream(const std::string& block, int repeats) {
    std::string text;
    text.reserve(block.size() * static_cast<std::size_t>(repeats) + 3);
    for (int i = 0; i < repeats; ++i) text += block;
    text += "/*\n";
    return text;
}

// Reads every command of the stream; reports commands per second.
void ReadCommands(benchmark::State& state, const std::string& block, int commands_per_block) {
    constexpr int kRepeats = 1000;
    const std::string text = Stream(block, kRepeats);
    QuietOutput quiet;
    varnex::Command command;
    std::int64_t commands = 0;
    for (auto _ : state) {
        varnex::StringByteSource source(text);
        varnex::CommandReader reader(source);
        while (reader.ReadCommand(4096, command) != varnex::CommandCode::kEndOfStream) ++commands;
        benchmark::DoNotOptimize(command);
    }
    if (commands != static_cast<std::int64_t>(state.iterations()) * kRepeats * commands_per_block) {
        state.SkipWithError("unexpected number of commands");
    }
    state.SetItemsProcessed(commands);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK_CAPTURE(ReadCommands, patch_quartet,
                  std::string("PAGE 0x0A3F2000\nVER 0x1A4 4D5A9000\nREP 0x1A4 4D5A9001\nWRITE\n"), 4);
BENCHMARK_CAPTURE(ReadCommands, search_128_bytes, std::string("SEARCH 0 ") + HexText(128) + "\n", 1);
BENCHMARK_CAPTURE(ReadCommands, crlf_and_comments,
                  std::string("* patch the header\r\nPAGE #3\r\n\r\nDUMP 0x10 0x20\r\n"), 2);

// ---- whole patched pages ----------------------------------------------------

// A file of `pages` zero pages of 4 KiB in the temporary folder, removed
// with the object.
class ZeroFile {
public:
    explicit ZeroFile(int pages) {
        const int descriptor = ::mkstemp(name_);
        ok_ = descriptor >= 0 && ::ftruncate(descriptor, static_cast<off_t>(pages) * 4096) == 0;
        if (descriptor >= 0) ::close(descriptor);
    }
    ~ZeroFile() { ::unlink(name_); }
    ZeroFile(const ZeroFile&) = delete;
    ZeroFile& operator=(const ZeroFile&) = delete;
    const char* Name() const { return name_; }
    bool Ready() const { return ok_; }

private:
    char name_[32] = "/tmp/varnex-bench-XXXXXX";
    bool ok_ = false;
};

// PAGE, VER, REP, WRITE of 4 bytes on each page of a file: page read and
// write, twelve log lines. The REP puts back the bytes the VER checked, so
// every round finds the file as the first did. Reports pages per second.
void PatchPages(benchmark::State& state) {
    constexpr int kPages = 256;
    ZeroFile file(kPages);
    if (!file.Ready()) {
        state.SkipWithError("cannot make the file");
        return;
    }
    std::string stream;
    for (int page = 0; page < kPages; ++page) {
        char quartet[96];
        std::snprintf(quartet, sizeof quartet, "PAGE 0x%X\nVER 0x1A4 00000000\nREP 0x1A4 00000000\nWRITE\n",
                      page * 4096);
        stream += quartet;
    }
    stream += "/*\n";
    StandardOutputToDevNull redirect;
    for (auto _ : state) {
        varnex::StringByteSource commands(stream);
        varnex::OpenAndRun(file.Name(), 4096, varnex::SystemFileSystem(), commands);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kPages);
}
BENCHMARK(PatchPages);

}  // namespace
