// Cost of formatting one dump line, of a whole dump to a sink that drops the
// lines (the formatting alone), and of a whole dump through the real line
// writer to /dev/null (formatting plus one write(2) per line).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>
#include <vector>

#include "output/dump.h"
#include "output/line_writer.h"
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

std::vector<std::uint8_t> SampleBytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = 12345;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

void HexDumpLine(benchmark::State& state) {
    const auto bytes = SampleBytes(16);
    char line[varnex::kDumpLineCapacity];
    std::uint32_t offset = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(varnex::FormatHexDumpLine(line, offset, bytes.data()));
        offset += 16;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 16);
}
BENCHMARK(HexDumpLine);

void BitDumpLine(benchmark::State& state) {
    const auto bytes = SampleBytes(8);
    char line[varnex::kDumpLineCapacity];
    std::uint32_t offset = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(varnex::FormatBitDumpLine(line, offset, bytes.data()));
        offset += 8;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 8);
}
BENCHMARK(BitDumpLine);

void WholeHexDump(benchmark::State& state) {
    const auto bytes = SampleBytes(1 << 20);
    DiscardingSink sink;
    varnex::LineSink* previous = varnex::SetLineSink(&sink);
    for (auto _ : state) varnex::HexDump(bytes.data(), "Page# 1 - Offset: 0x00000000:00000000", 1 << 20);
    varnex::SetLineSink(previous);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(WholeHexDump);

void WholeBitDump(benchmark::State& state) {
    const auto bytes = SampleBytes(1 << 20);
    DiscardingSink sink;
    varnex::LineSink* previous = varnex::SetLineSink(&sink);
    for (auto _ : state) varnex::BitDump(bytes.data(), "Page# 1 - Offset: 0x00000000:00000000", 1 << 20);
    varnex::SetLineSink(previous);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(WholeBitDump);

// The same 1 MiB hex dump, every line leaving in its own write(2).
void WholeHexDumpToDevNull(benchmark::State& state) {
    const auto bytes = SampleBytes(1 << 20);
    StandardOutputToDevNull redirect;
    for (auto _ : state) varnex::HexDump(bytes.data(), "Page# 1 - Offset: 0x00000000:00000000", 1 << 20);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * ((1 << 20) / 16 + 2));
}
BENCHMARK(WholeHexDumpToDevNull);

// The floor of the line convention: one write(2) of a 76-byte line to
// /dev/null, with no formatting at all.
void OneWritePerLineFloor(benchmark::State& state) {
    char line[76];
    for (auto& c : line) c = 'x';
    line[75] = '\n';
    const int null = ::open("/dev/null", O_WRONLY);
    for (auto _ : state) benchmark::DoNotOptimize(::write(null, line, sizeof line));
    ::close(null);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(OneWritePerLineFloor);

}  // namespace
