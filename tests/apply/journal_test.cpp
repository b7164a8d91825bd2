// The journal written and read back through the real file services, its
// damage recognised, and a page's state told from the bytes it holds.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "apply/apply_plan.h"
#include "apply/journal_reader.h"
#include "apply/journal_writer.h"
#include "support/scratch_folder.h"

namespace varnex {
namespace {

using testing::ReadAll;
using testing::ScratchFolder;

// Two pages: one changed in two stretches far apart, one past 4 GiB.
std::vector<ChangedPage> Pages() {
    ChangedPage first{0x1000, std::vector<std::uint8_t>(4096, 0x11), std::vector<std::uint8_t>(4096, 0x11)};
    first.new_bytes[5] = 0x22;
    for (int i = 3000; i < 3300; ++i) first.new_bytes[i] = 0x33;  // longer than one data line
    ChangedPage far{0x100000000ULL, std::vector<std::uint8_t>(100, 0x44), std::vector<std::uint8_t>(100, 0x44)};
    far.new_bytes[99] = 0x55;
    return {first, far};
}

JournalTie Tie() {
    JournalTie tie;
    tie.file_name = "disk.img";
    tie.identity = "12:34";
    tie.size = 8ULL << 30;
    tie.streams = {"a.cmds", "b.cmds"};
    tie.stream_hash = HexOf(Fnv64("abc", 3));
    return tie;
}

std::string Written(const ScratchFolder& folder) {
    const std::string path = folder.Path("journal");
    JournalWriter writer(Tie(), 4096);
    for (const ChangedPage& page : Pages()) EXPECT_TRUE(writer.Add(page));
    std::string error;
    EXPECT_TRUE(writer.WriteTo(SystemDurableFileSystem(), path, error)) << error;
    return path;
}

// Catches a reader that loses a stretch, swaps old and new, or misplaces a
// page past 4 GiB: what is read back is what was written.
TEST(Journal, ReadsBackThePagesAndTheTieItWasWrittenWith) {
    ScratchFolder folder;
    const std::string path = Written(folder);
    Journal journal;
    std::string reason;
    ASSERT_EQ(ReadJournal(SystemDurableFileSystem(), path, journal, reason), JournalState::kRead) << reason;
    EXPECT_EQ(journal.tie.identity, "12:34");
    EXPECT_EQ(journal.tie.size, 8ULL << 30);
    EXPECT_EQ(journal.tie.stream_hash, Tie().stream_hash);
    ASSERT_EQ(journal.plan.pages.size(), 2u);
    const std::vector<ChangedPage> pages = Pages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const PlanPage& read = journal.plan.pages[i];
        EXPECT_EQ(read.offset, pages[i].offset);
        for (const PlanRun& run : read.runs) {
            for (std::size_t k = 0; k < run.old_bytes.size(); ++k) {
                EXPECT_EQ(run.old_bytes[k], pages[i].old_bytes[run.start + k]);
                EXPECT_EQ(run.new_bytes[k], pages[i].new_bytes[run.start + k]);
            }
        }
    }
    EXPECT_FALSE(journal.complete);
    std::string error;
    ASSERT_TRUE(MarkJournal(SystemDurableFileSystem(), path, kCompleteMark, error));
    ASSERT_EQ(ReadJournal(SystemDurableFileSystem(), path, journal = {}, reason), JournalState::kRead);
    EXPECT_TRUE(journal.complete);
}

// Each damage must be told for what it is: cut short (safe to drop) or
// damaged (refused), never taken as whole.
TEST(Journal, DamageIsToldFromACutShortJournal) {
    ScratchFolder folder;
    const std::string whole = ReadAll(Written(folder));
    const std::size_t end_line = whole.find("* end: ");
    struct Case {
        const char* name;
        std::string text;
        JournalState state;
    };
    std::string flipped_body = whole;
    flipped_body[whole.find("REP ") + 8] ^= 0x01;
    std::string flipped_tie = whole;
    flipped_tie[whole.find("12:34")] = '9';
    const Case cases[] = {
        {"empty", "", JournalState::kUnended},
        {"cut in the first line", whole.substr(0, 7), JournalState::kUnended},
        {"cut in the body", whole.substr(0, end_line - 10), JournalState::kUnended},
        {"cut in the end line", whole.substr(0, end_line + 12), JournalState::kUnended},
        {"a byte of the body changed", flipped_body, JournalState::kCorrupt},
        {"the tie changed", flipped_tie, JournalState::kCorrupt},
        {"not a journal", "PAGE 0\nVER 0 00\nREP 0 01\nWRITE\n/*\n", JournalState::kCorrupt},
        {"zeros where its start should be", std::string(600, '\0') + whole.substr(600), JournalState::kCorrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Journal journal;
        std::string reason;
        EXPECT_EQ(ReadJournalText(c.text, journal, reason), c.state);
        EXPECT_FALSE(reason.empty());
    }
}

// Catches a torn page taken for done or not started, a byte equal on both
// sides counted against either, and a page past the end of the file.
TEST(Journal, APageStateIsToldFromTheBytesItHolds) {
    ChangedPage change{0, {1, 2, 3, 4}, {9, 2, 8, 4}};
    PlanPage page;
    ASSERT_TRUE(MakePlanPage(change, page));
    struct Case {
        std::vector<std::uint8_t> bytes;  // from the span's start
        PageProgress state;
    };
    const Case cases[] = {
        {{1, 2, 3}, PageProgress::kNotStarted}, {{9, 2, 8}, PageProgress::kDone},
        {{9, 2, 3}, PageProgress::kTorn},       {{1, 7, 3}, PageProgress::kForeign},
        {{9, 2}, PageProgress::kForeign},
    };
    for (const Case& c : cases) EXPECT_EQ(Classify(page, c.bytes), c.state);
}

}  // namespace
}  // namespace varnex
