// An apply cut by a power loss at every call that changes storage, then
// finished by running it again or taken back with --rollback: for every
// crash point the file ends exactly as the uninterrupted run leaves it, or
// exactly as it was. The power loss drops whatever was not synced and tears
// the last write at a sector boundary.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "apply/apply_engine.h"
#include "change/stream_writer.h"
#include "support/power_loss_file_system.h"
#include "support/scratch_stream.h"

namespace varnex {
namespace {

using testing::PowerLossFileSystem;
using Bytes = std::vector<std::uint8_t>;
using ApplyMode = ApplyRequest::Mode;

constexpr const char* kFile = "target.img";
constexpr const char* kJournal = "target.img.varnex-journal";

struct CrashCase {
    std::string name;
    Bytes old_image;
    std::string stream;
};

int Apply(PowerLossFileSystem& files, const std::string& stream, ApplyMode mode) {
    ApplyRequest request;
    request.file = kFile;
    request.journal_path = kJournal;
    request.streams_text = stream;
    request.stream_names = {"-"};
    request.mode = mode;
    request.quiet = true;
    std::FILE* sink = testing::ScratchStream();
    const int status = RunApply(request, files, sink, sink);
    std::fclose(sink);
    return status;
}

PowerLossFileSystem Holding(const Bytes& image) {
    PowerLossFileSystem files;
    files.Put(kFile, image);
    return files;
}

std::string StreamOf(const std::vector<ChangedPage>& pages) {
    std::FILE* file = testing::ScratchStream();
    StreamWriter writer(file, StreamWriterOptions{});
    for (const ChangedPage& page : pages) EXPECT_TRUE(writer.Add(page));
    EXPECT_TRUE(writer.Finish());
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(text.data(), 1, text.size(), file), text.size());
    std::fclose(file);
    return text;
}

// Changes in the first and the last (short) page, across a page boundary
// and scattered, as a comparison of two files gives them: each page of 4096
// bytes at a multiple of its size, written whole.
CrashCase ComparedFiles(std::uint32_t seed) {
    std::mt19937 random(seed);
    CrashCase made{"compared files, seed " + std::to_string(seed), Bytes(3 * 4096 + 700), ""};
    for (auto& byte : made.old_image) byte = static_cast<std::uint8_t>(random());
    Bytes new_image = made.old_image;
    const std::uint64_t size = new_image.size();
    for (const std::uint64_t at : {std::uint64_t{0}, size - 1, std::uint64_t{4095}, std::uint64_t{4096}}) new_image[at] ^= 0x5A;
    for (int n = 0; n < 6; ++n) new_image[random() % size] ^= static_cast<std::uint8_t>(1 + random() % 255);
    std::vector<ChangedPage> pages;
    for (std::uint64_t start = 0; start < size; start += 4096) {
        const std::uint64_t end = std::min<std::uint64_t>(start + 4096, size);
        ChangedPage page{start, Bytes(made.old_image.begin() + start, made.old_image.begin() + end),
                         Bytes(new_image.begin() + start, new_image.begin() + end)};
        if (page.old_bytes != page.new_bytes) pages.push_back(std::move(page));
    }
    made.stream = StreamOf(pages);
    return made;
}

// A stream written by hand: a page patched while a second, found through an
// offset stored in the first, is held above it on the stack and patched too;
// then a page loaded by its number under a smaller page size.
CrashCase HandWritten() {
    CrashCase made{"hand-written, PUSH and PAGE @", Bytes(4 * 4096, 0x11), ""};
    made.old_image[8] = 0x00;
    made.old_image[9] = 0x20;
    made.old_image[10] = made.old_image[11] = 0x00;
    made.stream =
        "PAGE 0\nVER 100 1111\nREP 100 ABCD\nPUSH\nPAGE @8 WI32\nVER 0 11111111\nREP 0 01020304\n"
        "REP 4095 FF\nWRITE\nPOP\nWRITE\nPAGESIZE 512\nPAGE #31\nVER 511 11\nREP 511 EE\nWRITE\n/*\n";
    return made;
}

std::vector<CrashCase> Cases() {
    std::vector<CrashCase> cases = {HandWritten()};
    for (std::uint32_t seed = 1; seed <= 4; ++seed) cases.push_back(ComparedFiles(seed));
    return cases;
}

TEST(PowerLoss, EveryCrashPointFinishesToTheNewFileAndRollsBackToTheOld) {
    std::uint64_t crash_points = 0;
    for (const CrashCase& tried : Cases()) {
        SCOPED_TRACE(tried.name);
        PowerLossFileSystem whole = Holding(tried.old_image);
        ASSERT_EQ(Apply(whole, tried.stream, ApplyMode::kApply), 0);
        const Bytes new_image = whole.Contents(kFile);
        ASSERT_NE(new_image, tried.old_image);
        for (std::uint64_t cut = 1; cut <= whole.changing_calls; ++cut, ++crash_points) {
            SCOPED_TRACE("power lost after call " + std::to_string(cut));
            PowerLossFileSystem cut_short = Holding(tried.old_image);
            cut_short.cut_after = cut;
            Apply(cut_short, tried.stream, ApplyMode::kApply);
            ASSERT_TRUE(cut_short.PowerLost());
            const PowerLossFileSystem restarted = cut_short.AfterPowerLoss();

            PowerLossFileSystem finished = restarted;
            EXPECT_EQ(Apply(finished, tried.stream, ApplyMode::kApply), 0);
            EXPECT_EQ(finished.Contents(kFile), new_image);
            EXPECT_EQ(Apply(finished, tried.stream, ApplyMode::kApply), 0);  // already applied
            EXPECT_EQ(finished.Contents(kFile), new_image);

            PowerLossFileSystem rolled_back = restarted;
            Apply(rolled_back, tried.stream, ApplyMode::kRollback);
            EXPECT_EQ(rolled_back.Contents(kFile), tried.old_image);
        }
    }
    std::printf("crash points covered: %llu\n", static_cast<unsigned long long>(crash_points));
    RecordProperty("crash_points", static_cast<int>(crash_points));
}

// Cut twice: the run that finishes is itself cut at each of its calls, and a
// third run still ends at the new file; likewise a rollback cut and rerun.
TEST(PowerLoss, ARecoveryCutAgainStillReachesTheSameEnd) {
    const CrashCase tried = HandWritten();
    PowerLossFileSystem whole = Holding(tried.old_image);
    ASSERT_EQ(Apply(whole, tried.stream, ApplyMode::kApply), 0);
    const Bytes new_image = whole.Contents(kFile);
    for (std::uint64_t cut = 1; cut <= whole.changing_calls; ++cut) {
        PowerLossFileSystem first = Holding(tried.old_image);
        first.cut_after = cut;
        Apply(first, tried.stream, ApplyMode::kApply);
        for (const ApplyMode mode : {ApplyMode::kApply, ApplyMode::kRollback}) {
            const Bytes expected = mode == ApplyMode::kApply ? new_image : tried.old_image;
            for (std::uint64_t again = 1;; ++again) {
                SCOPED_TRACE("cut after " + std::to_string(cut) + ", then after " + std::to_string(again));
                PowerLossFileSystem second = first.AfterPowerLoss();
                second.cut_after = again;
                Apply(second, tried.stream, mode);
                const bool cut_again = second.PowerLost();
                PowerLossFileSystem third = cut_again ? second.AfterPowerLoss() : second;
                Apply(third, tried.stream, mode);
                EXPECT_EQ(third.Contents(kFile), expected);
                if (!cut_again) break;
            }
        }
    }
}

}  // namespace
}  // namespace varnex
