// The invariant test: random files and random command streams, run through
// the whole program, each checked against the reference model. After every
// run the file keeps its size, every changed byte lies in a range that a REP
// put into a page that a WRITE then wrote successfully, no write call happens
// outside a WRITE of an Updated page, and the log shows exactly the messages
// the rules call for.
//
// Seeded and reproducible: run i uses seed VARNEX_RELIABILITY_SEED + i
// (default base 20260501); VARNEX_RELIABILITY_RUNS scales the number of runs
// (a factor, default 1). A failure prints the seed, the stream and the log.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "check/check_program.h"
#include "dryrun/dry_run.h"
#include "dryrun/dry_run_log.h"
#include "check/finding.h"
#include "check/stream_lint.h"
#include "child_process.h"
#include "command/byte_source.h"
#include "faulty_file_system.h"
#include "front/program_entry.h"
#include "random_run.h"
#include "support/captured_output.h"
#include "support/fake_file_system.h"

namespace varnex::reliability {
namespace {

std::uint64_t BaseSeed() {
    const char* text = std::getenv("VARNEX_RELIABILITY_SEED");
    return text != nullptr ? std::strtoull(text, nullptr, 0) : 20260501u;
}

std::size_t Runs(std::size_t usual) {
    const char* text = std::getenv("VARNEX_RELIABILITY_RUNS");
    const double factor = text != nullptr ? std::strtod(text, nullptr) : 1.0;
    return factor > 0 ? static_cast<std::size_t>(static_cast<double>(usual) * factor + 0.5) : usual;
}

constexpr FaultRates kEveryFault{0.05, 0.1, 0.01, 0.01, 0.03};

struct Totals {
    std::size_t runs = 0;
    std::size_t commands = 0;
    std::size_t faults = 0;
    std::size_t writes = 0;
    std::size_t pages_written = 0;
};

void Report(const char* mode, const Totals& totals) {
    std::printf(
        "%s: %zu runs, %zu commands, %zu pages written, %zu faults injected and survived, %zu write calls checked\n",
        mode, totals.runs, totals.commands, totals.pages_written, totals.faults, totals.writes);
    ::testing::Test::RecordProperty("runs", static_cast<int>(totals.runs));
    ::testing::Test::RecordProperty("faults", static_cast<int>(totals.faults));
}

// Returns false (after reporting) when the run broke a promise.
bool Judge(const char* mode, const RandomRun& run, int exit_code, const std::string& log, const std::string& file,
           Totals& totals) {
    ++totals.runs;
    totals.commands += run.commands.size();
    CheckOutcome outcome = CheckRun(run, log, file);
    if (exit_code != 0) outcome.failure = "exit code " + std::to_string(exit_code);
    totals.writes += outcome.writes_checked;
    for (std::size_t at = log.find("MIP0117I"); at != std::string::npos; at = log.find("MIP0117I", at + 1)) {
        ++totals.pages_written;
    }
    if (outcome.failure.empty()) return true;
    ADD_FAILURE() << mode << " run with seed " << run.seed << " (page size " << run.page_size << ", file of "
                  << run.image.size() << " bytes): " << outcome.failure << "\n--- stream ---\n"
                  << run.stream << "\n--- log ---\n"
                  << log;
    return false;
}

// The argument list points into `target` and `page_size`, which must outlive it.
std::vector<const char*> Arguments(const char* target, const std::string& page_size) {
    return {"varnex", target, page_size.c_str(), nullptr};
}

TEST(RandomRuns, InMemoryWithInjectedFaults) {
    Totals totals;
    for (std::size_t i = 0; i < Runs(5000); ++i) {
        const RandomRun run = GenerateRun(BaseSeed() + i);
        testing::FakeFileSystem memory;
        memory.contents.assign(run.image.begin(), run.image.end());
        FaultyFileSystem files(memory, run.seed, kEveryFault);
        StringByteSource commands(run.stream);
        const std::string page_size = "-P:" + std::to_string(run.page_size);
        const std::vector<const char*> argv = Arguments("target.bin", page_size);
        int exit_code = 0;
        std::string log;
        {
            testing::CapturedOutput output;
            exit_code = RunProgram(3, argv.data(), files, commands);
            log = output.Text();
        }
        totals.faults += files.faults_injected;
        const std::string file(memory.contents.begin(), memory.contents.end());
        if (!Judge("in memory", run, exit_code, log, file, totals)) break;
    }
    Report("in memory", totals);
}

TEST(RandomRuns, RealFilesInProcessWithInjectedFaults) {
    Totals totals;
    TemporaryFolder folder;
    const std::string target = folder.File("target.bin");
    for (std::size_t i = 0; i < Runs(1000); ++i) {
        const RandomRun run = GenerateRun(BaseSeed() + 1000000 + i);
        WriteWholeFile(target, run.image);
        FaultyFileSystem files(SystemFileSystem(), run.seed, kEveryFault);
        StringByteSource commands(run.stream);
        const std::string page_size = "-P:" + std::to_string(run.page_size);
        const std::vector<const char*> argv = Arguments(target.c_str(), page_size);
        int exit_code = 0;
        std::string log;
        {
            testing::CapturedOutput output;
            exit_code = RunProgram(3, argv.data(), files, commands);
            log = output.Text();
        }
        totals.faults += files.faults_injected;
        if (!Judge("real file in process", run, exit_code, log, ReadWholeFile(target), totals)) break;
    }
    Report("real file in process", totals);
}

TEST(RandomRuns, RealBinaryOnRealFiles) {
    Totals totals;
    TemporaryFolder folder;
    const std::string target = folder.File("target.bin");
    for (std::size_t i = 0; i < Runs(200); ++i) {
        const RandomRun run = GenerateRun(BaseSeed() + 2000000 + i);
        WriteWholeFile(target, run.image);
        const FinishedRun finished = RunVarnex(folder, target, run.stream, {"-P:" + std::to_string(run.page_size)});
        ASSERT_TRUE(finished.result.exited) << "seed " << run.seed << ": ended by signal " << finished.result.signal;
        if (!Judge("real binary", run, finished.result.exit_code, finished.log, ReadWholeFile(target), totals)) break;
    }
    Report("real binary", totals);
}

// The log with each dump banner's memory address, which differs between two
// runs, masked.
std::string WithoutAddresses(std::string log) {
    for (std::size_t at = log.find(" bytes @"); at != std::string::npos; at = log.find(" bytes @", at + 1)) {
        const std::size_t start = at + 8;
        const std::size_t end = log.find(' ', start);
        log.replace(start, end - start, "<address>");
    }
    return log;
}

// A dry run on the same file predicts the real run: the same log but for the
// write lines, which say the page would be written, and an unchanged file.
TEST(RandomRuns, DryRunPredictsTheRealRunAndChangesNothing) {
    TemporaryFolder folder;
    const std::string target = folder.File("target.bin");
    std::size_t runs = 0;
    for (std::size_t i = 0; i < Runs(500); ++i, ++runs) {
        const RandomRun run = GenerateRun(BaseSeed() + 3000000 + i);
        WriteWholeFile(target, run.image);
        const std::string page_size = "-P:" + std::to_string(run.page_size);
        std::string dry_log;
        {
            testing::CapturedOutput output;
            RunDryRun(target.c_str(), page_size.c_str(), run.stream);
            dry_log = output.Text();
        }
        ASSERT_TRUE(ReadWholeFile(target) == run.image) << "the dry run changed the file; seed " << run.seed;
        std::string real_log;
        {
            testing::CapturedOutput output;
            StringByteSource commands(run.stream);
            const std::vector<const char*> argv = Arguments(target.c_str(), page_size);
            RunProgram(3, argv.data(), SystemFileSystem(), commands);
            real_log = output.Text();
        }
        std::string predicted;
        for (std::size_t start = 0, end; start < real_log.size(); start = end) {
            end = real_log.find('\n', start) + 1;
            predicted += DryRunWording(real_log.substr(start, end - start));
        }
        ASSERT_EQ(WithoutAddresses(dry_log), WithoutAddresses(predicted)) << "seed " << run.seed << "\n--- stream ---\n" << run.stream;
    }
    std::printf("dry run: %zu runs predicted\n", runs);
}

// The checker must see a broken promise: each case takes a sound run and
// spoils its log or its file the way a faulty program would.
TEST(RandomRunChecker, FindsWhatAFaultyProgramWouldDo) {
    // A run with at least one successful write.
    RandomRun run;
    std::string log;
    std::string file;
    for (std::uint64_t seed = 1;; ++seed) {
        run = GenerateRun(seed);
        testing::FakeFileSystem memory;
        memory.contents.assign(run.image.begin(), run.image.end());
        StringByteSource commands(run.stream);
        const std::string page_size = "-P:" + std::to_string(run.page_size);
        const std::vector<const char*> argv = Arguments("target.bin", page_size);
        testing::CapturedOutput output;
        RunProgram(3, argv.data(), memory, commands);
        log = output.Text();
        file.assign(memory.contents.begin(), memory.contents.end());
        if (file != run.image) break;
        ASSERT_LT(seed, 1000u) << "no random run changed its file";
    }
    ASSERT_EQ(CheckRun(run, log, file).failure, "");

    std::size_t changed = 0;
    while (file[changed] == run.image[changed]) ++changed;
    std::size_t unchanged = 0;
    while (unchanged < file.size() && file[unchanged] != run.image[unchanged]) ++unchanged;

    // A byte changed that no replacement touched (when the file has one).
    if (unchanged < file.size() && !file.empty()) {
        std::string spoiled = file;
        spoiled[unchanged] = static_cast<char>(spoiled[unchanged] ^ 0x5A);
        EXPECT_NE(CheckRun(run, log, spoiled).failure, "");
    }
    // A write that did not reach the file.
    std::string lost = file;
    lost[changed] = run.image[changed];
    EXPECT_NE(CheckRun(run, log, lost).failure, "");
    // A file that grew.
    EXPECT_NE(CheckRun(run, log, file + "x").failure, "");
    // A message missing from the log.
    const std::size_t written = log.find("MIP0117I");
    std::string without_write = log;
    without_write.erase(written, log.find('\n', written) + 1 - written);
    EXPECT_NE(CheckRun(run, without_write, file).failure, "");
    // A write call outside a WRITE command.
    std::string stray = log;
    stray.insert(log.find('\n', log.find("MIP0110I")) + 1, "~~ wrote 0 1\n");
    EXPECT_NE(CheckRun(run, stray, file).failure, "");
    // A log cut in the middle of a line.
    EXPECT_NE(CheckRun(run, log.substr(0, log.size() - 1), file).failure, "");
}

}  // namespace
}  // namespace varnex::reliability

namespace varnex::reliability {
namespace {

void RunStream(const std::string& target, const std::string& stream, const std::string& page_size) {
    testing::CapturedOutput output;
    StringByteSource commands(stream);
    const std::vector<const char*> argv = Arguments(target.c_str(), page_size);
    RunProgram(3, argv.data(), SystemFileSystem(), commands);
}

// Writes the undo stream of a dry run of `stream_file` on `target` to
// `undo`, and returns it.
std::string DryRunUndo(const std::string& target, const std::string& page_size, const std::string& stream_file,
                       const std::string& undo) {
    const char* argv[] = {"varnex-check", "-q", "--dry-run", target.c_str(), page_size.c_str(), "--undo", undo.c_str(),
                          stream_file.c_str()};
    const int status = RunCheck(static_cast<int>(std::size(argv)), argv);
    EXPECT_NE(status, kCheckTrouble);
    return ReadWholeFile(undo);
}

// The undo stream of a dry run takes the real run back byte for byte; on
// the file as it was, its VERs refuse and nothing changes. Pages around page
// boundaries, runs longer than one REP line, the last partial page and
// pushed slots of other page sizes are placed in front of each random
// stream. An undo page that was cut wrong, taken from the wrong side or
// missing shows as a file that differs.
TEST(RandomRuns, UndoStreamOfADryRunTakesTheRealRunBack) {
    TemporaryFolder folder;
    const std::string target = folder.File("target.bin");
    const std::string stream_file = folder.File("patch.cmds");
    const std::string undo = folder.File("undo.cmds");
    std::size_t runs = 0;
    std::size_t changed = 0;
    for (std::size_t i = 0; i < Runs(300); ++i, ++runs) {
        RandomRun run = GenerateRun(BaseSeed() + 4000000 + i);
        Random random(run.seed);
        const auto size = static_cast<std::uint32_t>(run.image.size());
        const std::uint32_t boundary = run.page_size * random.Below(size / run.page_size + 1);
        const std::string stream = PlacedChanges(random, 0, size, run.page_size, boundary) + run.stream;
        const std::string page_size = "-P:" + std::to_string(run.page_size);
        WriteWholeFile(target, run.image);
        WriteWholeFile(stream_file, stream);
        const std::string undo_stream = DryRunUndo(target, page_size, stream_file, undo);
        ASSERT_TRUE(ReadWholeFile(target) == run.image) << "the dry run changed the file; seed " << run.seed;
        ASSERT_FALSE(CountsAsFindings(LintStream(undo_stream, 4096))) << "seed " << run.seed << "\n" << undo_stream;
        RunStream(target, undo_stream, page_size);
        ASSERT_TRUE(ReadWholeFile(target) == run.image) << "the undo stream changed the unpatched file; seed "
                                                        << run.seed << "\n" << undo_stream;
        RunStream(target, stream, page_size);
        changed += ReadWholeFile(target) != run.image ? 1 : 0;
        RunStream(target, undo_stream, page_size);
        ASSERT_TRUE(ReadWholeFile(target) == run.image) << "the undo stream did not restore the file; seed "
                                                        << run.seed << "\n--- stream ---\n" << stream
                                                        << "\n--- undo ---\n" << undo_stream;
    }
    EXPECT_GT(changed, runs * 3 / 4) << "too few runs changed their file to test the undo";
    std::printf("undo: %zu runs taken back, %zu of them changed their file\n", runs, changed);
}

std::string ReadStretch(const std::string& path, std::uint64_t offset, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    return in ? bytes : std::string();
}

// A sparse file past 4 GiB, changed by the real binary across the 4 GiB
// line and in its last partial page: the undo stream's offsets there (the
// HIGH:LOW form) must reach the same bytes.
TEST(RandomRuns, UndoStreamTakesBackChangesPastFourGiB) {
    TemporaryFolder folder;
    const std::string target = folder.File("large.bin");
    const std::string stream_file = folder.File("patch.cmds");
    const std::string undo = folder.File("undo.cmds");
    constexpr std::uint64_t kBase = 0x100000000u - 2 * 4096;
    constexpr std::uint32_t kStretch = 2 * 4096 + 5000;
    Random random(BaseSeed());
    const std::string original = detail::RandomBytes(random, kStretch);
    {
        std::ofstream out(target, std::ios::binary);
    }
    std::filesystem::resize_file(target, kBase + kStretch);
    {
        std::fstream out(target, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(kBase));
        out.write(original.data(), kStretch);
        ASSERT_TRUE(out.good());
    }
    const std::string stream = PlacedChanges(random, kBase, kStretch, 4096, 2 * 4096);
    WriteWholeFile(stream_file, stream);
    const std::string undo_stream = DryRunUndo(target, "-P:4096", stream_file, undo);
    ASSERT_NE(undo_stream.find("PAGE 0x1:"), std::string::npos) << undo_stream;
    const FinishedRun patched = RunVarnex(folder, target, stream, {"-P:4096"});
    ASSERT_NE(ReadStretch(target, kBase, kStretch), original) << patched.log;
    const FinishedRun restored = RunVarnex(folder, target, undo_stream);
    EXPECT_EQ(ReadStretch(target, kBase, kStretch), original) << restored.log;
    EXPECT_EQ(std::filesystem::file_size(target), kBase + kStretch);
}

}  // namespace
}  // namespace varnex::reliability
